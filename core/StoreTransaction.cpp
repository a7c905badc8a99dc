#include "core/StoreTransaction.h"

#include "core/AppDatabase.h"
#include "core/CatalogsCache.h"

namespace
{
// AppStoreLock is held from the outermost start to its end, so that neither
// another thread's transaction nor its single statements interleave with it
// on the one connection.
int g_depth = 0;     // guarded by AppStoreLock
bool g_began = true; // whether the outermost BEGIN worked
bool g_cacheDue = false; // a group changed inside the transaction

bool Run(const char* sql)
{
    try {
        AppDatabase.db.ExecDML(sql);
        return true;
    } catch (const SQL_LITE::CppSQLite3Exception&) {
        return false;
    }
}
} // namespace

CStoreTransaction::CStoreTransaction()
{
    AppStoreLock().Enter();
    if (g_depth++ == 0)
        g_began = Run("begin transaction;");
}

CStoreTransaction::~CStoreTransaction()
{
    Commit();
}

int CStoreTransaction::Commit()
{
    if (!m_open)
        return m_result;
    m_open = false;
    if (--g_depth == 0 && g_began && !Run("commit transaction;")) {
        // A failed commit can leave the transaction open: end it, so that
        // later statements don't silently join a batch that is lost.
        Run("rollback transaction;");
        m_result = 0;
    }
    if (g_depth == 0 && g_cacheDue) {
        g_cacheDue = false;
        WriteCatalogsCache();
    }
    AppStoreLock().Leave();
    return m_result;
}

bool CStoreTransaction::DeferCatalogsCacheWrite()
{
    if (g_depth == 0)
        return false;
    g_cacheDue = true;
    return true;
}
