#include "online/ZipReader.h"

#include "framework/CString.h"
#include "framework/TextConvert.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
ZipLastResult lastResult;

const uint16_t kUtf8NamesFlag = 0x800;

uint16_t Get16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const unsigned char* p)
{
    return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16);
}

struct CentralHeader {
    uint16_t flags, method, dosTime, dosDate;
    uint32_t crc, compressedSize, uncompressedSize;
    uint16_t nameLength, extraLength, commentLength;
    uint32_t externalAttributes, localOffset;
    std::string name; // at most 259 bytes
};

bool IsSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

// True for a relative path whose every level stays inside the folder it is
// taken below: no root, drive, UNC or stream prefix and no ".." level.
bool StaysInside(const CString& path)
{
    if (path.IsEmpty() || IsSeparator(path[0]) || path.Find(L':') >= 0)
        return false;
    int start = 0;
    for (int i = 0; i <= path.GetLength(); ++i) {
        if (i == path.GetLength() || IsSeparator(path[i])) {
            if (path.Mid(start, i - start) == L"..")
                return false;
            start = i + 1;
        }
    }
    return true;
}

// Creates every level of `relative` below `base` (which ends in '\').
bool CreateFoldersBelow(const CString& base, const CString& relative)
{
    if (!StaysInside(relative))
        return false;
    for (int i = 0; i <= relative.GetLength(); ++i) {
        if (i < relative.GetLength() && !IsSeparator(relative[i]))
            continue;
        if (i == 0 || IsSeparator(relative[i - 1]))
            continue;
        CString folder = base + relative.Left(i);
        if (!CreateDirectoryW(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

DWORD AttributesOf(uint32_t external)
{
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if ((external & 0x40000000) || (external & 0x10))
        attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL;
    if (external & 0x20)
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (external & 2)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (external & 4)
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    // The Unix owner-write bit counts only where a Unix mode was recorded:
    // archives made on DOS leave the high half empty.
    bool unixReadOnly = (external >> 16) != 0 && !(external & 0x00800000);
    if ((external & 1) || unixReadOnly)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

// The "UT" extended timestamp: a flags byte, then the modification, access
// and creation times present by flag bits 0, 1 and 2.
void ReadExtendedTimes(const std::vector<unsigned char>& extra, ZipItem& item)
{
    size_t offset = 0;
    while (extra.size() - offset >= 5) {
        uint16_t id = Get16(&extra[offset]);
        size_t size = Get16(&extra[offset + 2]);
        size_t data = offset + 4;
        size_t end = data + size;
        if (id == 0x5455) {
            // A block that runs past the extra field is not read at all.
            if (size == 0 || end > extra.size())
                return;
            unsigned flags = extra[data];
            size_t at = data + 1;
            FILETIME* times[] = {&item.modificationTime, &item.accessTime, &item.creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit)))
                    continue;
                if (at + 4 > end)
                    break;
                *times[bit] = UnixTimeToFileTime(Get32(&extra[at]));
                at += 4;
            }
            return;
        }
        offset = data + size;
        if (offset > extra.size())
            return;
    }
}

class ZipReaderState : public ZipState
{
public:
    ~ZipReaderState() override
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }

    bool ReadAt(uint64_t offset, void* buffer, DWORD size)
    {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(startOffset + offset);
        DWORD read = 0;
        return canPosition && SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
               ReadFile(file, buffer, size, &read, nullptr) && read == size;
    }

    int Open(const wchar_t* path);
    int ReadItem(int index, ZipItem& item);
    int CopyEntry(HANDLE target);

    HANDLE file = INVALID_HANDLE_VALUE;
    bool canPosition = false;
    uint64_t startOffset = 0;
    uint64_t fileSize = 0;
    unsigned entryCount = 0;
    uint64_t centralStart = 0; // shifted by the bytes in front
    uint64_t centralEnd = 0;
    int64_t bytesBefore = 0;
    int cursorIndex = 0;
    uint64_t cursorOffset = 0;
    CentralHeader current;
    CString baseFolder;
    int cachedIndex = -2;
    ZipItem cachedItem = {};
    uint64_t cachedDataOffset = 0;

private:
    uint64_t FindEndRecord();
    bool ReadCentralHeader();
    bool MoveCursor(int index);
    bool EntriesKeepApart();
};

uint64_t ZipReaderState::FindEndRecord()
{
    const uint64_t maxBack = fileSize < 0xFFFF ? fileSize : 0xFFFF;
    unsigned char block[1028];
    for (uint64_t back = 4; back < maxBack;) {
        back = back + 1024 > maxBack ? maxBack : back + 1024;
        uint64_t blockStart = fileSize - back;
        DWORD blockSize =
            static_cast<DWORD>(fileSize - blockStart < sizeof(block) ? fileSize - blockStart : sizeof(block));
        if (!ReadAt(blockStart, block, blockSize))
            return 0;
        for (DWORD i = blockSize - 3; i-- > 0;) {
            if (Get32(block + i) == ZipEndSignature)
                return blockStart + i;
        }
    }
    return 0;
}

int ZipReaderState::Open(const wchar_t* path)
{
    wchar_t folder[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryW(MAX_PATH - 1, folder);
    if (length == 0 || length >= MAX_PATH - 1)
        return ZipCannotOpen;
    baseFolder = folder;
    if (!IsSeparator(baseFolder[baseFolder.GetLength() - 1]))
        baseFolder += L'\\';

    file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ZipCannotOpen;
    canPosition = GetFileType(file) == FILE_TYPE_DISK;
    LARGE_INTEGER zero = {}, position = {}, size = {};
    if (canPosition && SetFilePointerEx(file, zero, &position, FILE_CURRENT) && GetFileSizeEx(file, &size)) {
        startOffset = static_cast<uint64_t>(position.QuadPart);
        fileSize = static_cast<uint64_t>(size.QuadPart) - startOffset;
    }

    uint64_t endRecord = FindEndRecord();
    unsigned char record[18];
    if (!ReadAt(endRecord + 4, record, sizeof(record)))
        return ZipNoEndRecord;
    uint16_t disk = Get16(record), centralDisk = Get16(record + 2);
    uint16_t entriesHere = Get16(record + 4), entries = Get16(record + 6);
    uint32_t centralSize = Get32(record + 8), centralOffset = Get32(record + 12);
    if (disk != 0 || centralDisk != 0 || entriesHere != entries)
        return ZipEndRecordInconsistent;
    if (endRecord == 0)
        return ZipNoEndRecord;
    if (endRecord < uint64_t(centralOffset) + centralSize)
        return ZipEndRecordInconsistent;
    bytesBefore = static_cast<int64_t>(endRecord - centralOffset - centralSize);
    entryCount = entries;
    centralStart = bytesBefore + centralOffset;
    centralEnd = centralStart + centralSize;
    cursorIndex = 0;
    cursorOffset = centralStart;
    if (entryCount > 0 && !ReadCentralHeader())
        return ZipEndRecordInconsistent;
    return EntriesKeepApart() ? ZipOk : ZipBadLocalHeader;
}

// Each entry's local header and data lie in a range of their own before the
// central directory.  Entries that share their data would let a small
// archive extract to many times its size.
bool ZipReaderState::EntriesKeepApart()
{
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    ranges.reserve(entryCount);
    for (unsigned i = 0; i < entryCount; ++i) {
        unsigned char h[30];
        if (!MoveCursor(static_cast<int>(i)))
            return false;
        const uint64_t local = bytesBefore + current.localOffset;
        if (!ReadAt(local, h, sizeof(h)) || Get32(h) != ZipLocalSignature)
            return false;
        const uint64_t end = local + sizeof(h) + Get16(h + 26) + Get16(h + 28) + current.compressedSize;
        if (end > centralStart)
            return false;
        ranges.emplace_back(local, end);
    }
    std::sort(ranges.begin(), ranges.end());
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].first < ranges[i - 1].second)
            return false;
    return entryCount == 0 || MoveCursor(0);
}

bool ZipReaderState::ReadCentralHeader()
{
    unsigned char h[46];
    if (cursorOffset + sizeof(h) > centralEnd || !ReadAt(cursorOffset, h, sizeof(h)) ||
        Get32(h) != ZipCentralSignature)
        return false;
    current.flags = Get16(h + 8);
    current.method = Get16(h + 10);
    current.dosTime = Get16(h + 12);
    current.dosDate = Get16(h + 14);
    current.crc = Get32(h + 16);
    current.compressedSize = Get32(h + 20);
    current.uncompressedSize = Get32(h + 24);
    current.nameLength = Get16(h + 28);
    current.extraLength = Get16(h + 30);
    current.commentLength = Get16(h + 32);
    current.externalAttributes = Get32(h + 38);
    current.localOffset = Get32(h + 42);
    char name[260] = {};
    DWORD kept = current.nameLength < 259 ? current.nameLength : 259;
    if (kept > 0 && !ReadAt(cursorOffset + sizeof(h), name, kept))
        return false;
    current.name.assign(name, kept);
    return true;
}

bool ZipReaderState::MoveCursor(int index)
{
    if (index < cursorIndex) {
        cursorIndex = 0;
        cursorOffset = centralStart;
        if (!ReadCentralHeader())
            return false;
    }
    while (cursorIndex < index) {
        cursorOffset += 46 + current.nameLength + current.extraLength + current.commentLength;
        ++cursorIndex;
        if (!ReadCentralHeader())
            return false;
    }
    return true;
}

int ZipReaderState::ReadItem(int index, ZipItem& item)
{
    if (index == cachedIndex) {
        item = cachedItem;
        return ZipOk;
    }
    // The cache and the cursor describe the same entry, or there is none.
    cachedIndex = -2;
    if (!MoveCursor(index))
        return ZipBadLocalHeader;
    const CentralHeader& c = current;
    unsigned char h[30];
    uint64_t local = bytesBefore + c.localOffset;
    if (!ReadAt(local, h, sizeof(h)) || Get32(h) != ZipLocalSignature)
        return ZipBadLocalHeader;
    uint16_t method = Get16(h + 8);
    bool descriptor = (Get16(h + 6) & ZipDataDescriptorFlag) != 0;
    if (method != c.method || (method != 0 && method != 8) || Get16(h + 26) != c.nameLength ||
        (!descriptor && (Get32(h + 14) != c.crc || Get32(h + 18) != c.compressedSize ||
                         Get32(h + 22) != c.uncompressedSize)))
        return ZipBadLocalHeader;
    std::vector<unsigned char> extra(Get16(h + 28));
    uint64_t extraOffset = local + sizeof(h) + c.nameLength;
    if (!extra.empty() && !ReadAt(extraOffset, extra.data(), static_cast<DWORD>(extra.size())))
        return ZipCannotPosition;

    item = ZipItem();
    item.index = index;
    CString name = MultiByteToWide((c.flags & kUtf8NamesFlag) ? CP_UTF8 : CP_ACP, c.name.data(),
                                   static_cast<int>(c.name.size()));
    lstrcpynW(item.name, name, 260);
    item.attributes = AttributesOf(c.externalAttributes);
    FILETIME dosTime = {};
    DosDateTimeToFileTime(c.dosDate, c.dosTime, &dosTime);
    item.accessTime = item.creationTime = item.modificationTime = dosTime;
    ReadExtendedTimes(extra, item);
    item.compressedSize = static_cast<int>(c.compressedSize);
    item.uncompressedSize = static_cast<int>(c.uncompressedSize);

    cachedIndex = index;
    cachedItem = item;
    cachedDataOffset = extraOffset + extra.size();
    return ZipOk;
}

// Copies the cursor's entry to the target, checking it all the way: the
// output may not grow past the declared size (a bomb stops there), and the
// data must end exactly at that size with the recorded CRC-32.
int ZipReaderState::CopyEntry(HANDLE target)
{
    const CentralHeader& c = current;
    if (c.method == 0 && c.compressedSize != c.uncompressedSize)
        return ZipReadWriteFailed;
    std::vector<unsigned char> input(ZipPieceSize), output(ZipPieceSize);
    z_stream stream = {};
    if (c.method == 8 && inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return ZipReadWriteFailed;
    struct InflateEnd {
        z_stream* stream;
        bool active;
        ~InflateEnd()
        {
            if (active)
                inflateEnd(stream);
        }
    } inflateEndGuard{&stream, c.method == 8};

    uint64_t readOffset = cachedDataOffset;
    uint32_t compressedLeft = c.compressedSize;
    uint32_t uncompressedLeft = c.uncompressedSize;
    uLong crc = crc32(0, nullptr, 0);
    bool ended = false;
    while (!ended) {
        DWORD produced = 0;
        if (c.method == 0) {
            produced = compressedLeft < ZipPieceSize ? compressedLeft : ZipPieceSize;
            if (produced > 0 && !ReadAt(readOffset, output.data(), produced))
                return ZipReadWriteFailed;
            readOffset += produced;
            compressedLeft -= produced;
            ended = compressedLeft == 0;
        } else {
            if (stream.avail_in == 0 && compressedLeft > 0) {
                DWORD piece = compressedLeft < ZipPieceSize ? compressedLeft : ZipPieceSize;
                if (!ReadAt(readOffset, input.data(), piece))
                    return ZipReadWriteFailed;
                readOffset += piece;
                compressedLeft -= piece;
                stream.next_in = input.data();
                stream.avail_in = piece;
            }
            stream.next_out = output.data();
            stream.avail_out = ZipPieceSize;
            int status = inflate(&stream, Z_NO_FLUSH);
            produced = ZipPieceSize - stream.avail_out;
            if (status == Z_STREAM_END)
                ended = true;
            else if (status != Z_OK && !(status == Z_BUF_ERROR && produced > 0))
                return ZipReadWriteFailed; // damaged, or the data ran out
        }
        if (produced > uncompressedLeft)
            return ZipReadWriteFailed;
        DWORD written = 0;
        if (produced > 0 &&
            (!WriteFile(target, output.data(), produced, &written, nullptr) || written != produced))
            return ZipReadWriteFailed;
        crc = crc32(crc, output.data(), produced);
        uncompressedLeft -= produced;
    }
    return uncompressedLeft == 0 && crc == c.crc ? ZipOk : ZipReadWriteFailed;
}

} // namespace

int ZipReaderLastResult()
{
    return lastResult.Get();
}

FILETIME UnixTimeToFileTime(unsigned seconds)
{
    ULONGLONG ticks = (static_cast<ULONGLONG>(seconds) + 11644473600ULL) * 10000000ULL;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

ZipHandle* ZipReaderOpen(const wchar_t* path)
{
    if (!path) {
        lastResult.Keep(ZipBadArgument);
        return nullptr;
    }
    auto state = std::make_unique<ZipReaderState>();
    int code = state->Open(path);
    lastResult.Keep(code);
    if (code != ZipOk)
        return nullptr;
    return new ZipHandle{ZipReaderKind, std::move(state)};
}

int ZipReaderGetItem(int index, ZipItem* out, ZipHandle* handle)
{
    int code;
    ZipReaderState* state = ZipStateOf<ZipReaderState>(handle, ZipReaderKind, code);
    if (!state)
        return lastResult.Keep(code);
    if (!out || index < -1 || index >= static_cast<int>(state->entryCount))
        return lastResult.Keep(ZipBadArgument);
    if (index == -1) {
        *out = ZipItem();
        out->index = static_cast<int>(state->entryCount);
        return lastResult.Keep(ZipOk);
    }
    ZipItem item;
    code = state->ReadItem(index, item);
    if (code == ZipOk)
        *out = item;
    return lastResult.Keep(code);
}

int ZipReaderExtract(ZipHandle* handle, const wchar_t* targetPath, int index, uint32_t maxLength)
{
    int code;
    ZipReaderState* state = ZipStateOf<ZipReaderState>(handle, ZipReaderKind, code);
    if (!state)
        return lastResult.Keep(code);
    if (!targetPath || index < 0 || index >= static_cast<int>(state->entryCount))
        return lastResult.Keep(ZipBadArgument);
    ZipItem item;
    code = state->ReadItem(index, item);
    if (code != ZipOk)
        return lastResult.Keep(code);

    // A folder entry names its folder below the base folder, nowhere else.
    if (item.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return lastResult.Keep(CreateFoldersBelow(state->baseFolder, item.name) ? ZipOk : ZipCannotOpen);
    if (static_cast<uint32_t>(item.uncompressedSize) > maxLength)
        return lastResult.Keep(ZipReadWriteFailed);

    CString target = targetPath;
    int slash = (std::max)(target.ReverseFind(L'/'), target.ReverseFind(L'\\'));
    if (slash > 0 && StaysInside(target.Left(slash)))
        CreateFoldersBelow(state->baseFolder, target.Left(slash));

    // Written without the read-only bit, so that a failed copy can still be
    // deleted; the entry's attributes are applied once it is complete.
    const DWORD fileAttributes = item.attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileW(targetPath, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                              (fileAttributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lastResult.Keep(ZipCannotOpen);
    code = state->CopyEntry(file);
    if (code == ZipOk) {
        if (GetFileType(file) == FILE_TYPE_DISK)
            SetFileTime(file, &item.creationTime, &item.accessTime, &item.modificationTime);
    } else {
        FILE_DISPOSITION_INFO dispose = {TRUE};
        SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof(dispose));
    }
    CloseHandle(file);
    if (code == ZipOk && (fileAttributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(targetPath, fileAttributes);
    return lastResult.Keep(code);
}

int ZipReaderClose(ZipHandle* handle)
{
    int code;
    if (!ZipStateOf<ZipReaderState>(handle, ZipReaderKind, code))
        return lastResult.Keep(code);
    delete handle;
    return lastResult.Keep(ZipOk);
}
