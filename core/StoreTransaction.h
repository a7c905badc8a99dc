// One transaction on the program's connection around a batch of store
// changes, so that a thousand inserts reach the disk with one sync instead of
// one each.  A transaction opened inside another on the same thread joins the
// outer one.  The connection is shared by every thread: the store's lock
// (AppStoreLock) is held from the start to the end, so other threads' store
// operations wait for it instead of joining it.
#pragma once

class CStoreTransaction
{
public:
    CStoreTransaction();
    // Commits when Commit was not called.
    ~CStoreTransaction();
    CStoreTransaction(const CStoreTransaction&) = delete;
    CStoreTransaction& operator=(const CStoreTransaction&) = delete;

    // 1 when the changes are stored (or will be, by the outer transaction);
    // 0 when the commit failed, or a statement inside failed, and everything
    // since the start was rolled back.  Later calls return the first result.
    int Commit();

    // Whether a store statement may run now: outside a transaction always;
    // inside one only while none of its statements failed and SQLite has not
    // ended it by itself (it rolls the whole transaction back on a full disk
    // or an I/O error, and each later statement would then be stored on its
    // own, half a batch without the rest).  Needs AppStoreLock held.
    static bool AdmitsStatement();
    // A statement inside the open transaction failed: nothing more of it
    // reaches the store, and its commit rolls back.  Needs AppStoreLock held.
    static void StatementFailed();

    // For the group-name cache, which must show the groups as stored: inside
    // a transaction it is written once the outermost one has ended,
    // committed or rolled back (true is returned then); outside one, false,
    // and the caller writes it itself.  Needs AppStoreLock held.
    static bool DeferCatalogsCacheWrite();

private:
    bool m_open = true;
    int m_result = 1;
};
