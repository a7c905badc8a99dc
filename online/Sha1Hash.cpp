#include "online/Sha1Hash.h"

#include <cpuid.h>
#include <immintrin.h>

#include <atomic>
#include <cstring>

namespace
{
const uint32_t kInitialState[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
const unsigned kFileReadSize = 8000;

inline uint32_t Rotl(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

inline uint32_t LoadBigEndian(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The standard compression function, written out round by round.  The
// 80-word schedule lives in a 16-word ring.
void CompressPortable(uint32_t state[5], const unsigned char* data, size_t count)
{
    for (; count > 0; --count, data += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = LoadBigEndian(data + 4 * i);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];

#define SHA1_W(i)                                                                                            \
    (i < 16 ? w[i & 15]                                                                                      \
            : (w[i & 15] = Rotl(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1)))
#define SHA1_ROUND(f, k, i, a, b, c, d, e)                                                                   \
    e += Rotl(a, 5) + (f) + k + SHA1_W(i);                                                                   \
    b = Rotl(b, 30);
#define SHA1_F1(b, c, d) (d ^ (b & (c ^ d)))
#define SHA1_F2(b, c, d) (b ^ c ^ d)
#define SHA1_F3(b, c, d) ((b & c) | (d & (b | c)))
#define SHA1_FIVE(F, k, i)                                                                                   \
    SHA1_ROUND(F(b, c, d), k, i, a, b, c, d, e)                                                              \
    SHA1_ROUND(F(a, b, c), k, (i + 1), e, a, b, c, d)                                                        \
    SHA1_ROUND(F(e, a, b), k, (i + 2), d, e, a, b, c)                                                        \
    SHA1_ROUND(F(d, e, a), k, (i + 3), c, d, e, a, b)                                                        \
    SHA1_ROUND(F(c, d, e), k, (i + 4), b, c, d, e, a)

        SHA1_FIVE(SHA1_F1, 0x5A827999, 0)
        SHA1_FIVE(SHA1_F1, 0x5A827999, 5)
        SHA1_FIVE(SHA1_F1, 0x5A827999, 10)
        SHA1_FIVE(SHA1_F1, 0x5A827999, 15)
        SHA1_FIVE(SHA1_F2, 0x6ED9EBA1, 20)
        SHA1_FIVE(SHA1_F2, 0x6ED9EBA1, 25)
        SHA1_FIVE(SHA1_F2, 0x6ED9EBA1, 30)
        SHA1_FIVE(SHA1_F2, 0x6ED9EBA1, 35)
        SHA1_FIVE(SHA1_F3, 0x8F1BBCDC, 40)
        SHA1_FIVE(SHA1_F3, 0x8F1BBCDC, 45)
        SHA1_FIVE(SHA1_F3, 0x8F1BBCDC, 50)
        SHA1_FIVE(SHA1_F3, 0x8F1BBCDC, 55)
        SHA1_FIVE(SHA1_F2, 0xCA62C1D6, 60)
        SHA1_FIVE(SHA1_F2, 0xCA62C1D6, 65)
        SHA1_FIVE(SHA1_F2, 0xCA62C1D6, 70)
        SHA1_FIVE(SHA1_F2, 0xCA62C1D6, 75)
#undef SHA1_FIVE
#undef SHA1_F3
#undef SHA1_F2
#undef SHA1_F1
#undef SHA1_ROUND
#undef SHA1_W

        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

// The same with the processor's SHA instructions: four rounds per
// instruction, the schedule four words at a time.
template <int Group> __attribute__((target("sha,sse4.1"))) inline __m128i FourRounds(__m128i abcd, __m128i e)
{
    return _mm_sha1rnds4_epu32(abcd, e, Group / 5);
}

__attribute__((target("sha,sse4.1"))) void CompressShaInstructions(uint32_t state[5],
                                                                   const unsigned char* data, size_t count)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count > 0; --count, data += 64) {
        const __m128i abcdSaved = abcd;
        const __m128i eSaved = e0;
        __m128i w[4];
        for (int i = 0; i < 4; ++i)
            w[i] =
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);

        __m128i previous = abcd;
        abcd = FourRounds<0>(abcd, _mm_add_epi32(e0, w[0]));
#define SHA1_GROUP(g)                                                                                        \
    {                                                                                                        \
        if (g >= 4)                                                                                          \
            w[g & 3] = _mm_sha1msg2_epu32(                                                                   \
                _mm_xor_si128(_mm_sha1msg1_epu32(w[g & 3], w[(g + 1) & 3]), w[(g + 2) & 3]),                 \
                w[(g + 3) & 3]);                                                                             \
        __m128i e = _mm_sha1nexte_epu32(previous, w[g & 3]);                                                 \
        previous = abcd;                                                                                     \
        abcd = FourRounds<g>(abcd, e);                                                                       \
    }
        SHA1_GROUP(1)
        SHA1_GROUP(2)
        SHA1_GROUP(3)
        SHA1_GROUP(4) SHA1_GROUP(5) SHA1_GROUP(6) SHA1_GROUP(7) SHA1_GROUP(8) SHA1_GROUP(9) SHA1_GROUP(10)
            SHA1_GROUP(11) SHA1_GROUP(12) SHA1_GROUP(13) SHA1_GROUP(14) SHA1_GROUP(15) SHA1_GROUP(16)
                SHA1_GROUP(17) SHA1_GROUP(18) SHA1_GROUP(19)
#undef SHA1_GROUP
                    e0 = _mm_sha1nexte_epu32(previous, eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

bool HasShaInstructions()
{
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & bit_SSE4_1) || !(ecx & bit_SSSE3))
        return false;
    return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & bit_SHA);
}

std::atomic<bool> shaInstructionsAllowed{true};

bool UseShaInstructions()
{
    static const bool present = HasShaInstructions();
    return present && shaInstructionsAllowed;
}
} // namespace

void CSha1Hash::AllowShaInstructions(bool allowed)
{
    shaInstructionsAllowed = allowed;
}

CSha1Hash::CSha1Hash()
{
    Reset();
}

CSha1Hash::~CSha1Hash()
{
    Reset();
    SecureZeroMemory(digest_, sizeof(digest_));
}

void CSha1Hash::Reset()
{
    memcpy(state_, kInitialState, sizeof(state_));
    bitCount_ = 0;
    SecureZeroMemory(buffer_, sizeof(buffer_));
}

void CSha1Hash::Compress(const unsigned char* blocks, size_t count)
{
    if (UseShaInstructions())
        CompressShaInstructions(state_, blocks, count);
    else
        CompressPortable(state_, blocks, count);
}

void CSha1Hash::Update(const unsigned char* data, unsigned int length)
{
    if (!data || length == 0)
        return;
    size_t used = static_cast<size_t>(bitCount_ / 8 % 64);
    bitCount_ += uint64_t(length) * 8;
    if (used > 0) {
        size_t take = 64 - used < length ? 64 - used : length;
        memcpy(buffer_ + used, data, take);
        data += take;
        length -= static_cast<unsigned>(take);
        if (used + take < 64)
            return;
        Compress(buffer_, 1);
    }
    Compress(data, length / 64);
    memcpy(buffer_, data + length / 64 * 64, length % 64);
}

void CSha1Hash::Final()
{
    unsigned char length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<unsigned char>(bitCount_ >> (56 - 8 * i));
    static const unsigned char padding[64] = {0x80};
    size_t used = static_cast<size_t>(bitCount_ / 8 % 64);
    Update(padding, static_cast<unsigned>(used < 56 ? 56 - used : 120 - used));
    Update(length, 8);
    for (int i = 0; i < 20; ++i)
        digest_[i] = static_cast<unsigned char>(state_[i / 4] >> (24 - 8 * (i % 4)));
    SecureZeroMemory(state_, sizeof(state_));
    SecureZeroMemory(buffer_, sizeof(buffer_));
    bitCount_ = 0;
}

BOOL CSha1Hash::GetHashString(CString* out) const
{
    if (!out)
        return FALSE;
    static const wchar_t digits[] = L"0123456789ABCDEF";
    wchar_t* text = out->GetBufferSetLength(40);
    for (int i = 0; i < 20; ++i) {
        text[2 * i] = digits[digest_[i] >> 4];
        text[2 * i + 1] = digits[digest_[i] & 15];
    }
    return TRUE;
}

BOOL CSha1Hash::HashOpenFile(HANDLE file)
{
    LARGE_INTEGER size;
    LARGE_INTEGER start = {};
    if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size) ||
        !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return FALSE;
    unsigned char piece[kFileReadSize];
    // 64-bit sizes: files of 4 GiB and more hash whole.
    for (uint64_t remaining = static_cast<uint64_t>(size.QuadPart); remaining > 0;) {
        DWORD want = remaining < kFileReadSize ? static_cast<DWORD>(remaining) : kFileReadSize;
        DWORD read = 0;
        if (!ReadFile(file, piece, want, &read, nullptr) || read == 0)
            return FALSE;
        Update(piece, read);
        remaining -= read;
    }
    return TRUE;
}

BOOL CSha1Hash::HashFile(const wchar_t* path)
{
    if (!path)
        return FALSE;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL result = HashOpenFile(file);
    CloseHandle(file);
    return result;
}

bool CSha1Hash::FileDigest(const wchar_t* path, CString& digest)
{
    CSha1Hash hash;
    BOOL read = hash.HashFile(path);
    hash.Final();
    hash.GetHashString(&digest);
    return read != FALSE;
}
