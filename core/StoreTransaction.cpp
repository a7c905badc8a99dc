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
bool g_failed = false; // a statement failed, or SQLite ended the transaction
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
    if (g_depth++ == 0) {
        g_failed = false;
        g_began = Run("begin transaction;");
    }
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
    const bool sound = AdmitsStatement();
    if (--g_depth == 0 && g_began && (!sound || !Run("commit transaction;"))) {
        // A failed statement or commit can leave the transaction open: end
        // it, so that later statements don't silently join a lost batch.
        Run("rollback transaction;");
        m_result = 0;
    }
    if (g_depth == 0 && g_cacheDue) {
        g_cacheDue = false;
        // Rolled back, the groups are as the file shows them; reading them
        // again might only wait for the lock that made the change fail.
        if (m_result)
            WriteCatalogsCache();
    }
    AppStoreLock().Leave();
    return m_result;
}

bool CStoreTransaction::AdmitsStatement()
{
    if (g_depth == 0 || !g_began)
        return true;
    if (!g_failed && sqlite3_get_autocommit(AppDatabase.db.Handle()))
        g_failed = true;
    return !g_failed;
}

void CStoreTransaction::StatementFailed()
{
    if (g_depth > 0)
        g_failed = true;
}

bool CStoreTransaction::DeferCatalogsCacheWrite()
{
    if (g_depth == 0)
        return false;
    g_cacheDue = true;
    return true;
}
