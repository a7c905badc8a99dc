// The process-wide services that exist before InitInstance and outlive
// ExitInstance: the thread pool, the pinyin table (built on first use) and
// the owner-drawn menus' hook and themes.  The program holds one as a global object, constructed
// after the application object (so destroyed before it).
#pragma once

class CAppServices
{
public:
    CAppServices();
    // The pool was shut down in ExitInstance.  While a worker it abandoned is
    // still inside an item, the pinyin table that item may be reading is not
    // freed (the end of the process releases it).
    ~CAppServices();
    CAppServices(const CAppServices&) = delete;
    CAppServices& operator=(const CAppServices&) = delete;
};
