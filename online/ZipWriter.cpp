#include "online/ZipWriter.h"

#include "framework/CString.h"
#include "framework/TextConvert.h"
#include "online/Crc32.h"
#include "online/DeflateEncoder.h"

#include <string>
#include <vector>

namespace
{
ZipLastResult lastResult;

const int kPackLevel = 8;
const uint16_t kVersionMadeBy = 0x0B17;
const uint16_t kVersionNeeded = 20;
const uint64_t kMaxZipSize = 0xFFFFFFFFull; // sizes and offsets are 32-bit fields

void Put16(std::string& out, unsigned value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

struct Entry {
    uint16_t flags = 0, method = 0, dosTime = 0, dosDate = 0;
    uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
    uint32_t modifiedUnix = 0, accessedUnix = 0, createdUnix = 0;
    uint32_t externalAttributes = 0;
    uint32_t localOffset = 0;
    std::string name;

    // From "version needed" to the name's length: the same in both headers.
    void PutSharedFields(std::string& h) const
    {
        Put16(h, kVersionNeeded);
        Put16(h, flags);
        Put16(h, method);
        Put16(h, dosTime);
        Put16(h, dosDate);
        Put32(h, crc);
        Put32(h, compressedSize);
        Put32(h, uncompressedSize);
        Put16(h, static_cast<unsigned>(name.size()));
    }

    std::string LocalHeader() const
    {
        std::string h;
        Put32(h, ZipLocalSignature);
        PutSharedFields(h);
        Put16(h, 17);
        h += name;
        h += "UT";
        Put16(h, 13);
        h += '\x07';
        Put32(h, modifiedUnix);
        Put32(h, accessedUnix);
        Put32(h, createdUnix);
        return h;
    }

    std::string CentralHeader() const
    {
        std::string h;
        Put32(h, ZipCentralSignature);
        Put16(h, kVersionMadeBy);
        PutSharedFields(h);
        Put16(h, 9);
        Put16(h, 0); // comment
        Put16(h, 0); // disk number start
        Put16(h, 0); // internal attributes: nothing is marked as text
        Put32(h, externalAttributes);
        Put32(h, localOffset);
        h += name;
        h += "UT";
        Put16(h, 5);
        h += '\x07';
        Put32(h, modifiedUnix);
        return h;
    }
};

bool IsStoredName(const std::string& name)
{
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (const char* stored : {".z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"})
        if (extension == stored)
            return true;
    return false;
}

// Unix seconds of a local time, its year held to 1970-2037.
uint32_t UnixTimeOfLocal(const FILETIME& local)
{
    SYSTEMTIME calendar;
    if (!FileTimeToSystemTime(&local, &calendar))
        return 0;
    if (calendar.wYear < 1970)
        calendar = {1970, 1, 0, 1, 0, 0, 0, 0};
    else if (calendar.wYear > 2037)
        calendar = {2037, 12, 0, 31, 0, 0, 0, 0};
    SYSTEMTIME universal;
    FILETIME time;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &calendar, &universal) ||
        !SystemTimeToFileTime(&universal, &time))
        return 0;
    const ULONGLONG epoch = 116444736000000000ULL;
    ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks <= epoch ? 0 : static_cast<uint32_t>((ticks - epoch) / 10000000ULL);
}

// DOS date and time of a local time, held to the years DOS can write
// (1980-2107): 0/0 is no date at all.
void DosDateTimeOfLocal(const FILETIME& local, uint16_t& date, uint16_t& time)
{
    SYSTEMTIME calendar;
    if (!FileTimeToSystemTime(&local, &calendar) || calendar.wYear < 1980) {
        date = (1 << 5) | 1; // 1980-01-01
        time = 0;
    } else if (calendar.wYear > 2107) {
        date = (127 << 9) | (12 << 5) | 31; // 2107-12-31
        time = (23 << 11) | (59 << 5) | 29; // 23:59:58
    } else {
        FileTimeToDosDateTime(&local, &date, &time);
    }
}

class ZipWriterState : public ZipState, public CDeflateSink
{
public:
    ~ZipWriterState() { CloseHandle(file); }

    bool Write(const unsigned char* data, unsigned size) override
    {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr) || written != size)
            return false;
        writeOffset += size;
        return true;
    }
    bool Write(const std::string& bytes)
    {
        return Write(reinterpret_cast<const unsigned char*>(bytes.data()),
                     static_cast<unsigned>(bytes.size()));
    }
    bool PositionAt(uint64_t offset)
    {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(startOffset + offset);
        return canPosition && SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    }

    int AddFile(const wchar_t* entryName, const wchar_t* sourcePath);
    int Finish();

    HANDLE file = INVALID_HANDLE_VALUE;
    bool canPosition = false;
    uint64_t startOffset = 0;
    uint64_t writeOffset = 0;
    int stickyError = ZipOk;
    bool finished = false;
    std::vector<Entry> entries;
};

// The file being added: read in order, counted and checksummed.
class SourceFile : public CDeflateSource
{
public:
    explicit SourceFile(HANDLE file) : file_(file) {}
    unsigned Read(unsigned char* buffer, unsigned size) override
    {
        DWORD read = 0;
        if (failed_ || !ReadFile(file_, buffer, size, &read, nullptr)) {
            failed_ = true;
            return 0;
        }
        crc = UpdateCrc32(crc, buffer, read);
        bytesRead += read;
        return read;
    }
    bool Failed() const { return failed_; }

    uint32_t crc = 0;
    uint64_t bytesRead = 0;

private:
    HANDLE file_;
    bool failed_ = false;
};

int ZipWriterState::AddFile(const wchar_t* entryName, const wchar_t* sourcePath)
{
    if (stickyError)
        return ZipEarlierFailure;
    if (finished)
        return ZipFinished;
    if (!entryName || !*entryName || !sourcePath)
        return ZipBadArgument;

    Entry entry;
    CString name = entryName;
    name.Replace(L'\\', L'/');
    entry.name = WideToMultiByte(CP_ACP, name).str();
    if (entry.name.size() > 260)
        entry.name.resize(260);
    entry.method = IsStoredName(entry.name) ? 0 : 8;
    entry.flags =
        ZipDataDescriptorFlag | (entry.method == 8 ? CDeflateEncoder::FlagBitsOfLevel(kPackLevel) : 0);

    HANDLE source = CreateFileW(sourcePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        stickyError = ZipCannotOpen;
        return ZipCannotOpen;
    }
    struct CloseSource {
        HANDLE h;
        ~CloseSource() { CloseHandle(h); }
    } closeSource{source};

    // Size, attributes and times; unknown for anything but a disk file.
    int64_t expectedSize = -1;
    DWORD dosAttributes = 0;
    FILETIME created, accessed, modified;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(source) == FILE_TYPE_DISK && GetFileInformationByHandle(source, &info)) {
        expectedSize = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        dosAttributes = info.dwFileAttributes;
        created = info.ftCreationTime;
        accessed = info.ftLastAccessTime;
        modified = info.ftLastWriteTime;
    } else {
        GetSystemTimeAsFileTime(&modified);
        created = accessed = modified;
    }
    // Sizes that the headers can't hold fail here rather than wrap.
    if (expectedSize >= static_cast<int64_t>(kMaxZipSize) || writeOffset >= kMaxZipSize)
        return ZipReadWriteFailed;
    FILETIME localCreated, localAccessed, localModified;
    FileTimeToLocalFileTime(&created, &localCreated);
    FileTimeToLocalFileTime(&accessed, &localAccessed);
    FileTimeToLocalFileTime(&modified, &localModified);
    DosDateTimeOfLocal(localModified, entry.dosDate, entry.dosTime);
    entry.modifiedUnix = UnixTimeOfLocal(localModified);
    entry.accessedUnix = UnixTimeOfLocal(localAccessed);
    entry.createdUnix = UnixTimeOfLocal(localCreated);
    bool readOnly = (dosAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    uint32_t unixMode =
        ((dosAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0x4000 : 0x8000) | (readOnly ? 0400 : 0600);
    entry.externalAttributes = (dosAttributes & 0x37) | (unixMode << 16);

    const uint32_t announcedSize = expectedSize < 0 ? 0 : static_cast<uint32_t>(expectedSize);
    entry.uncompressedSize = announcedSize;
    entry.compressedSize = entry.method == 0 ? announcedSize : 0;
    entry.localOffset = static_cast<uint32_t>(writeOffset);
    if (!Write(entry.LocalHeader()))
        return ZipReadWriteFailed;
    const uint64_t dataStart = writeOffset;

    SourceFile reader(source);
    if (entry.method == 0) {
        std::vector<unsigned char> buffer(ZipPieceSize);
        while (unsigned read = reader.Read(buffer.data(), ZipPieceSize)) {
            if (!Write(buffer.data(), read))
                return ZipReadWriteFailed;
        }
    } else {
        CDeflateEncoder encoder(kPackLevel);
        CDeflateEncoder::Status status = encoder.Encode(reader, *this);
        if (status == CDeflateEncoder::InternalError)
            return ZipEncoderError;
        if (status == CDeflateEncoder::SinkFailed)
            return ZipReadWriteFailed;
    }
    if (reader.Failed() || (expectedSize >= 0 && reader.bytesRead != static_cast<uint64_t>(expectedSize)))
        return ZipSourceSizeChanged;
    const uint64_t compressed = writeOffset - dataStart;
    if (reader.bytesRead >= kMaxZipSize || compressed >= kMaxZipSize || writeOffset >= kMaxZipSize)
        return ZipReadWriteFailed;

    entry.crc = reader.crc;
    entry.compressedSize = static_cast<uint32_t>(compressed);
    entry.uncompressedSize = static_cast<uint32_t>(reader.bytesRead);
    if (canPosition) {
        entry.flags &= ~ZipDataDescriptorFlag;
        const uint64_t end = writeOffset;
        if (!PositionAt(entry.localOffset) || !Write(entry.LocalHeader()) || !PositionAt(end)) {
            stickyError = ZipPositionFailed;
            return ZipPositionFailed;
        }
        writeOffset = end;
    } else {
        if (entry.method == 0 && entry.uncompressedSize != announcedSize)
            return ZipStreamChanged;
        std::string descriptor;
        Put32(descriptor, ZipDescriptorSignature);
        Put32(descriptor, entry.crc);
        Put32(descriptor, entry.compressedSize);
        Put32(descriptor, entry.uncompressedSize);
        if (!Write(descriptor))
            return ZipReadWriteFailed;
    }
    entries.push_back(entry);
    return ZipOk;
}

int ZipWriterState::Finish()
{
    if (finished)
        return ZipOk;
    finished = true;
    const uint64_t centralOffset = writeOffset;
    bool ok = true;
    for (const Entry& entry : entries)
        ok = ok && Write(entry.CentralHeader());
    const uint64_t centralSize = writeOffset - centralOffset;
    std::string end;
    Put32(end, ZipEndSignature);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<unsigned>(entries.size()));
    Put16(end, static_cast<unsigned>(entries.size()));
    Put32(end, static_cast<uint32_t>(centralSize));
    Put32(end, static_cast<uint32_t>(centralOffset));
    Put16(end, 0);
    ok = ok && centralOffset < kMaxZipSize && entries.size() <= 0xFFFF && Write(end);
    return ok ? ZipOk : ZipReadWriteFailed;
}

} // namespace

int ZipWriterLastResult()
{
    return lastResult.Get();
}

ZipHandle* ZipWriterCreate(const wchar_t* path)
{
    HANDLE file =
        path ? CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
             : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        lastResult.Keep(ZipCannotOpen);
        return nullptr;
    }
    auto state = std::make_unique<ZipWriterState>();
    state->file = file;
    state->canPosition = GetFileType(file) == FILE_TYPE_DISK;
    LARGE_INTEGER zero = {}, position = {};
    if (state->canPosition && SetFilePointerEx(file, zero, &position, FILE_CURRENT))
        state->startOffset = static_cast<uint64_t>(position.QuadPart);
    lastResult.Keep(ZipOk);
    return new ZipHandle{ZipWriterKind, std::move(state)};
}

int ZipWriterAddFile(ZipHandle* handle, const wchar_t* entryName, const wchar_t* sourcePath)
{
    int code;
    ZipWriterState* state = ZipStateOf<ZipWriterState>(handle, ZipWriterKind, code);
    return lastResult.Keep(state ? state->AddFile(entryName, sourcePath) : code);
}

int ZipWriterAddErrorLog(const wchar_t* sourcePath, ZipHandle* handle)
{
    return ZipWriterAddFile(handle, L"ErrorLog.txt", sourcePath);
}

int ZipWriterClose(ZipHandle* handle)
{
    int code;
    ZipWriterState* state = ZipStateOf<ZipWriterState>(handle, ZipWriterKind, code);
    if (!state)
        return lastResult.Keep(code);
    code = state->Finish();
    delete handle;
    return lastResult.Keep(code);
}
