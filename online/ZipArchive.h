// What the zip reader and the zip writer share: the handle, the result codes
// and the last result of each direction.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

enum ZipResult : int {
    ZipOk = 0,
    ZipEndRecordInconsistent = 0x99,
    ZipNoEndRecord = 0xFF,
    ZipCannotOpen = 0x200,
    ZipReadWriteFailed = 0x400,
    ZipBadLocalHeader = 0x700,
    ZipCannotPosition = 0x800,
    ZipBadArgument = 0x10000,
    ZipEarlierFailure = 0x40000,
    ZipFinished = 0x50000,
    ZipSourceSizeChanged = 0x60000,
    ZipWrongKind = 0x80000,
    ZipAlreadyOpen = 0x1000000,
    ZipPositionFailed = 0x2000000,
    ZipStreamChanged = 0x4000000,
    ZipEncoderError = 0x5000000,
};

enum ZipHandleKind : int { ZipReaderKind = 1, ZipWriterKind = 2 };

const uint32_t ZipLocalSignature = 0x04034B50;
const uint32_t ZipCentralSignature = 0x02014B50;
const uint32_t ZipEndSignature = 0x06054B50;
const uint32_t ZipDescriptorSignature = 0x08074B50;
const uint16_t ZipDataDescriptorFlag = 8; // sizes follow the data
const DWORD ZipPieceSize = 16384;         // entry data moves in pieces of this size

// The last result of one direction's calls.
class ZipLastResult
{
public:
    int Keep(int code)
    {
        value_ = code;
        return code;
    }
    int Get() const { return value_; }

private:
    std::atomic<int> value_{ZipOk};
};

// The reader's or the writer's state.
class ZipState
{
public:
    virtual ~ZipState() = default;
};

struct ZipHandle {
    int kind;
    std::unique_ptr<ZipState> state;
};

// The handle's state when it is of the kind asked for; otherwise null, and
// code says why (ZipBadArgument, ZipWrongKind).
template <class State> State* ZipStateOf(ZipHandle* handle, ZipHandleKind kind, int& code)
{
    code = !handle ? ZipBadArgument : handle->kind != kind ? ZipWrongKind : ZipOk;
    return code == ZipOk ? static_cast<State*>(handle->state.get()) : nullptr;
}

int ZipReaderLastResult();
int ZipWriterLastResult();

// Times of a zip entry: the DOS date and time of the headers and the Unix
// seconds of the "UT" field.
FILETIME UnixTimeToFileTime(unsigned seconds);
