#include "online/HttpBody.h"

namespace
{
const size_t kCommitStep = 1 << 20;
}

CHttpBody::~CHttpBody()
{
    if (base_)
        VirtualFree(base_, 0, MEM_RELEASE);
}

bool CHttpBody::Reserve(size_t needed)
{
    if (needed <= committed_)
        return true;
    if (needed > cap_)
        return false;
    if (!base_) {
        base_ = static_cast<char*>(VirtualAlloc(nullptr, cap_, MEM_RESERVE, PAGE_NOACCESS));
        if (!base_)
            return false;
    }
    size_t target = committed_ + kCommitStep;
    if (target < needed)
        target = needed;
    if (target > cap_)
        target = cap_;
    if (!VirtualAlloc(base_ + committed_, target - committed_, MEM_COMMIT, PAGE_READWRITE))
        return false;
    committed_ = target;
    return true;
}

bool CHttpBody::ReadFrom(CHttpFile& request)
{
    length_ = 0;
    for (;;) {
        if (length_ == cap_) {
            // Full: any further byte makes the body too large.
            char probe;
            return request.Read(&probe, 1) == 0;
        }
        UINT want = cap_ - length_ < ReadSize ? static_cast<UINT>(cap_ - length_) : ReadSize;
        if (!Reserve(length_ + want))
            return false;
        UINT read = request.Read(base_ + length_, want);
        if (read == 0)
            return true;
        length_ += read;
    }
}
