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
    // 0 when the commit failed and everything since the start was rolled
    // back.  Later calls return the first result.
    int Commit();

    // For the group-name cache, which must show the groups as stored: inside
    // a transaction it is written once the outermost one has ended,
    // committed or rolled back (true is returned then); outside one, false,
    // and the caller writes it itself.  Needs AppStoreLock held.
    static bool DeferCatalogsCacheWrite();

private:
    bool m_open = true;
    int m_result = 1;
};
