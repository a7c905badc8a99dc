#include "online/DeflateEncoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
const unsigned kWindowSize = 32768;
const unsigned kWindowMask = kWindowSize - 1;
const unsigned kBufferSize = 2 * kWindowSize;
const unsigned kMinMatch = 3;
const unsigned kMaxMatch = 258;
const unsigned kMinLookahead = kMaxMatch + kMinMatch + 1;
const unsigned kMaxDistance = kWindowSize - kMinLookahead;
const unsigned kHashBits = 15;
const unsigned kHashSize = 1u << kHashBits;
const unsigned kHashMask = kHashSize - 1;
const unsigned kHashShift = 5;
// A 3-byte match this far back costs more than three literals.
const unsigned kTooFar = 4096;
const unsigned kSymbolBufferSize = 32768;
const unsigned kOutputBufferSize = 16384;
const unsigned kMaxStoredLength = 65535;

const int kLiteralCodes = 286;
const int kDistanceCodes = 30;
const int kBitLengthCodes = 19;
const int kEndOfBlock = 256;
const int kMaxBits = 15;
const int kMaxBitLengthBits = 7;

struct LevelConfig {
    unsigned goodLength; // cut the chain walk to a quarter beyond this match
    unsigned maxLazy;    // don't look for a better match beyond this one
    unsigned niceLength; // stop searching at this length
    unsigned maxChain;
};
const LevelConfig kLevels[9] = {{0, 0, 0, 0},      {4, 4, 8, 4},      {4, 5, 16, 8},
                                {4, 6, 32, 32},    {4, 4, 16, 16},    {8, 16, 32, 32},
                                {8, 16, 128, 128}, {8, 32, 128, 256}, {32, 128, 258, 1024}};

const uint8_t kLengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint8_t kDistanceExtraBits[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kBitLengthExtraBits[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
const uint8_t kBitLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

uint16_t ReverseBits(unsigned code, int length)
{
    unsigned reversed = 0;
    for (int i = 0; i < length; ++i, code >>= 1)
        reversed = (reversed << 1) | (code & 1);
    return static_cast<uint16_t>(reversed);
}

// Canonical codes (bit-reversed, ready to send) for the lengths.
void MakeCodes(const uint8_t* lengths, int count, uint16_t* codes)
{
    int lengthCount[kMaxBits + 1] = {};
    for (int i = 0; i < count; ++i)
        lengthCount[lengths[i]]++;
    lengthCount[0] = 0;
    unsigned next[kMaxBits + 1] = {};
    unsigned code = 0;
    for (int bits = 1; bits <= kMaxBits; ++bits) {
        code = (code + lengthCount[bits - 1]) << 1;
        next[bits] = code;
    }
    for (int i = 0; i < count; ++i)
        codes[i] = lengths[i] ? ReverseBits(next[lengths[i]]++, lengths[i]) : 0;
}

struct StaticTables {
    uint8_t lengthCode[256]; // by match length - 3
    uint16_t lengthBase[29];
    uint8_t distanceCode[512]; // see DistanceCode
    uint16_t distanceBase[30];
    uint8_t fixedLiteralLengths[288];
    uint16_t fixedLiteralCodes[288];
    uint8_t fixedDistanceLengths[30];
    uint16_t fixedDistanceCodes[30];

    StaticTables()
    {
        unsigned length = 0;
        for (int code = 0; code < 28; ++code) {
            lengthBase[code] = static_cast<uint16_t>(length);
            for (unsigned n = 0; n < (1u << kLengthExtraBits[code]); ++n)
                lengthCode[length++] = static_cast<uint8_t>(code);
        }
        // 258 has a code of its own, not the last one of code 27's range.
        lengthCode[255] = 28;
        lengthBase[28] = 255;
        unsigned distance = 0;
        for (int code = 0; code < 16; ++code) {
            distanceBase[code] = static_cast<uint16_t>(distance);
            for (unsigned n = 0; n < (1u << kDistanceExtraBits[code]); ++n)
                distanceCode[distance++] = static_cast<uint8_t>(code);
        }
        distance >>= 7;
        for (int code = 16; code < kDistanceCodes; ++code) {
            distanceBase[code] = static_cast<uint16_t>(distance << 7);
            for (unsigned n = 0; n < (1u << (kDistanceExtraBits[code] - 7)); ++n)
                distanceCode[256 + distance++] = static_cast<uint8_t>(code);
        }
        for (int i = 0; i < 288; ++i)
            fixedLiteralLengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        MakeCodes(fixedLiteralLengths, 288, fixedLiteralCodes);
        std::fill(fixedDistanceLengths, fixedDistanceLengths + 30, 5);
        MakeCodes(fixedDistanceLengths, 30, fixedDistanceCodes);
    }

    // The code of a distance less one.
    unsigned DistanceCode(unsigned distanceLessOne) const
    {
        return distanceLessOne < 256 ? distanceCode[distanceLessOne]
                                     : distanceCode[256 + (distanceLessOne >> 7)];
    }
};

const StaticTables& Tables()
{
    static const StaticTables tables;
    return tables;
}

// Optimal code lengths of at most maxBits for the frequencies (package-merge).
// Unused symbols get 0; at least two symbols get a code, so that every
// decoder accepts the code as complete.
void BuildLengths(const uint32_t* frequencies, int count, int maxBits, uint8_t* lengths)
{
    std::fill(lengths, lengths + count, 0);
    int used[288];
    int n = 0;
    for (int i = 0; i < count; ++i)
        if (frequencies[i])
            used[n++] = i;
    if (n < 2) {
        int first = n == 1 ? used[0] : 0;
        lengths[first] = 1;
        lengths[first == 0 ? 1 : 0] = 1;
        return;
    }
    std::stable_sort(used, used + n, [&](int a, int b) { return frequencies[a] < frequencies[b]; });

    // Each level's list, merged from the leaves and the previous level's
    // pairs; only whether an item is a leaf is needed to count lengths.
    std::vector<std::vector<bool>> isLeaf(maxBits);
    std::vector<uint64_t> previous, current;
    for (int level = 0; level < maxBits; ++level) {
        current.clear();
        isLeaf[level].clear();
        size_t leaf = 0, pair = 0;
        size_t pairs = previous.size() / 2;
        while (leaf < static_cast<size_t>(n) || pair < pairs) {
            uint64_t pairWeight = pair < pairs ? previous[2 * pair] + previous[2 * pair + 1] : UINT64_MAX;
            if (leaf < static_cast<size_t>(n) && frequencies[used[leaf]] <= pairWeight) {
                current.push_back(frequencies[used[leaf++]]);
                isLeaf[level].push_back(true);
            } else {
                current.push_back(pairWeight);
                isLeaf[level].push_back(false);
                ++pair;
            }
        }
        previous.swap(current);
    }
    // The first 2n - 2 items of the last list are taken; every leaf taken on
    // a level adds one to its length, every pair takes two items below.
    size_t take = 2 * static_cast<size_t>(n) - 2;
    for (int level = maxBits - 1; level >= 0 && take > 0; --level) {
        size_t leaves = 0;
        for (size_t i = 0; i < take; ++i)
            leaves += isLeaf[level][i];
        for (size_t i = 0; i < leaves; ++i)
            lengths[used[i]]++;
        take = 2 * (take - leaves);
    }
}

inline uint64_t Load64(const uint8_t* p)
{
    uint64_t v;
    memcpy(&v, p, sizeof(v));
    return v;
}

inline uint16_t Load16(const uint8_t* p)
{
    uint16_t v;
    memcpy(&v, p, sizeof(v));
    return v;
}

// How many leading bytes of a and b agree, up to max.
inline unsigned MatchLength(const uint8_t* a, const uint8_t* b, unsigned max)
{
    unsigned length = 0;
    while (length + 8 <= max) {
        uint64_t difference = Load64(a + length) ^ Load64(b + length);
        if (difference)
            return std::min(max, length + (__builtin_ctzll(difference) >> 3));
        length += 8;
    }
    while (length < max && a[length] == b[length])
        ++length;
    return length;
}
} // namespace

struct CDeflateEncoder::State {
    State(const LevelConfig& config, CDeflateSource& source, CDeflateSink& sink)
        : config(config), source(source), sink(sink), tables(Tables())
    {
    }

    const LevelConfig& config;
    CDeflateSource& source;
    CDeflateSink& sink;
    const StaticTables& tables;
    const char* error = nullptr;
    bool sinkFailed = false;

    // Window of two halves, plus room for word-wide reads past its end.
    uint8_t window[kBufferSize + kMaxMatch + 16] = {};
    uint16_t head[kHashSize] = {};
    uint16_t prev[kWindowSize] = {};
    unsigned hash = 0;
    unsigned strstart = 0;
    unsigned lookahead = 0;
    unsigned matchStart = 0;
    unsigned prevLength = kMinMatch - 1;
    long blockStart = 0; // negative once the block's start slid out of the window
    bool sourceEnded = false;

    // Symbols of the current block: a literal (distance 0) or a match.
    uint8_t symbolLiteral[kSymbolBufferSize];
    uint16_t symbolDistance[kSymbolBufferSize];
    unsigned symbolCount = 0;
    uint32_t literalFrequency[kLiteralCodes] = {};
    uint32_t distanceFrequency[kDistanceCodes] = {};

    uint8_t output[kOutputBufferSize];
    unsigned outputLength = 0;
    uint64_t bitBuffer = 0;
    unsigned bitCount = 0;
    uint64_t bitsWritten = 0;
    uint64_t bytesWritten = 0;

    void Run();

private:
    // Output.
    void FlushOutput()
    {
        if (outputLength > 0 && !sinkFailed && !sink.Write(output, outputLength))
            sinkFailed = true;
        bytesWritten += outputLength;
        outputLength = 0;
    }
    void PutBits(unsigned value, unsigned count)
    {
        bitBuffer |= static_cast<uint64_t>(value) << bitCount;
        bitCount += count;
        bitsWritten += count;
        if (bitCount >= 32) {
            if (outputLength + 4 > kOutputBufferSize)
                FlushOutput();
            for (int i = 0; i < 4; ++i)
                output[outputLength++] = static_cast<uint8_t>(bitBuffer >> (8 * i));
            bitBuffer >>= 32;
            bitCount -= 32;
        }
    }
    void AlignToByte()
    {
        unsigned pad = (8 - bitCount % 8) % 8;
        bitsWritten += pad;
        bitCount += pad;
        while (bitCount > 0) {
            if (outputLength + 1 > kOutputBufferSize)
                FlushOutput();
            output[outputLength++] = static_cast<uint8_t>(bitBuffer);
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    }

    // Matching.
    void FillWindow();
    unsigned InsertString(unsigned position)
    {
        hash = ((hash << kHashShift) ^ window[position + kMinMatch - 1]) & kHashMask;
        unsigned chainHead = head[hash];
        prev[position & kWindowMask] = static_cast<uint16_t>(chainHead);
        head[hash] = static_cast<uint16_t>(position);
        return chainHead;
    }
    unsigned LongestMatch(unsigned candidate);

    // Blocks.
    bool TallyLiteral(uint8_t literal)
    {
        symbolLiteral[symbolCount] = literal;
        symbolDistance[symbolCount++] = 0;
        literalFrequency[literal]++;
        return symbolCount == kSymbolBufferSize;
    }
    bool TallyMatch(unsigned distance, unsigned length)
    {
        if (distance == 0 || distance > kMaxDistance + 1 || length < kMinMatch || length > kMaxMatch) {
            error = "ct_tally: bad match";
            return false;
        }
        symbolLiteral[symbolCount] = static_cast<uint8_t>(length - kMinMatch);
        symbolDistance[symbolCount++] = static_cast<uint16_t>(distance);
        literalFrequency[tables.lengthCode[length - kMinMatch] + 257]++;
        distanceFrequency[tables.DistanceCode(distance - 1)]++;
        return symbolCount == kSymbolBufferSize;
    }
    void FlushBlock(bool last);
    void SendStoredBlock(const uint8_t* data, unsigned length, bool last);
    void SendSymbols(const uint8_t* literalLengths, const uint16_t* literalCodes,
                     const uint8_t* distanceLengths, const uint16_t* distanceCodes);
    uint64_t SymbolBits(const uint8_t* literalLengths, const uint8_t* distanceLengths) const;
};

void CDeflateEncoder::State::FillWindow()
{
    do {
        unsigned more = kBufferSize - lookahead - strstart;
        if (strstart >= kWindowSize + kMaxDistance) {
            // Slide the upper half down; chain entries that fall off become 0.
            memcpy(window, window + kWindowSize, kWindowSize);
            matchStart -= kWindowSize;
            strstart -= kWindowSize;
            blockStart -= static_cast<long>(kWindowSize);
            for (uint16_t& entry : head)
                entry = static_cast<uint16_t>(entry >= kWindowSize ? entry - kWindowSize : 0);
            for (uint16_t& entry : prev)
                entry = static_cast<uint16_t>(entry >= kWindowSize ? entry - kWindowSize : 0);
            more += kWindowSize;
        }
        if (sourceEnded)
            return;
        if (more < 2) {
            error = "insufficient lookahead";
            return;
        }
        unsigned read = source.Read(window + strstart + lookahead, more);
        if (read == 0)
            sourceEnded = true;
        lookahead += read;
        if (lookahead >= kMinMatch)
            hash = ((window[strstart] << kHashShift) ^ window[strstart + 1]) & kHashMask;
    } while (lookahead < kMinLookahead);
}

unsigned CDeflateEncoder::State::LongestMatch(unsigned candidate)
{
    unsigned chain = config.maxChain;
    if (prevLength >= config.goodLength)
        chain >>= 2;
    const unsigned maxLength = std::min(kMaxMatch, lookahead);
    const unsigned nice = std::min(config.niceLength, maxLength);
    const unsigned limit = strstart > kMaxDistance ? strstart - kMaxDistance : 0;
    const uint8_t* scan = window + strstart;
    unsigned best = prevLength;
    uint16_t scanStart = Load16(scan);
    uint16_t scanEnd = Load16(scan + best - 1);
    do {
        const uint8_t* match = window + candidate;
        // Only a match that could be longer than the best is compared.
        if (Load16(match + best - 1) != scanEnd || Load16(match) != scanStart)
            continue;
        unsigned length = 2 + MatchLength(scan + 2, match + 2, maxLength - 2);
        if (length > best) {
            matchStart = candidate;
            best = length;
            if (length >= nice)
                break;
            scanEnd = Load16(scan + best - 1);
        }
    } while ((candidate = prev[candidate & kWindowMask]) > limit && --chain != 0);
    return std::min(best, lookahead);
}

void CDeflateEncoder::State::Run()
{
    unsigned matchLength = kMinMatch - 1;
    bool matchAvailable = false;
    for (;;) {
        if (lookahead < kMinLookahead) {
            FillWindow();
            if (error)
                return;
            if (lookahead == 0)
                break;
        }
        unsigned chainHead = 0;
        if (lookahead >= kMinMatch)
            chainHead = InsertString(strstart);

        // Lazy evaluation: the match at the previous position is kept unless
        // this position has a longer one.
        prevLength = matchLength;
        unsigned prevMatch = matchStart;
        matchLength = kMinMatch - 1;
        if (chainHead != 0 && prevLength < config.maxLazy && strstart - chainHead <= kMaxDistance) {
            matchLength = LongestMatch(chainHead);
            if (matchLength == kMinMatch && strstart - matchStart > kTooFar)
                matchLength = kMinMatch - 1;
        }
        if (prevLength >= kMinMatch && matchLength <= prevLength) {
            unsigned maxInsert = strstart + lookahead - kMinMatch;
            bool full = TallyMatch(strstart - 1 - prevMatch, prevLength);
            if (error)
                return;
            lookahead -= prevLength - 1;
            for (unsigned left = prevLength - 2; left > 0; --left) {
                if (++strstart <= maxInsert)
                    InsertString(strstart);
            }
            matchAvailable = false;
            matchLength = kMinMatch - 1;
            ++strstart;
            if (full)
                FlushBlock(false);
        } else if (matchAvailable) {
            if (TallyLiteral(window[strstart - 1]))
                FlushBlock(false);
            ++strstart;
            --lookahead;
        } else {
            matchAvailable = true;
            ++strstart;
            --lookahead;
        }
        if (error || sinkFailed)
            return;
    }
    if (matchAvailable)
        TallyLiteral(window[strstart - 1]);
    FlushBlock(true);
    AlignToByte();
    FlushOutput();
}

uint64_t CDeflateEncoder::State::SymbolBits(const uint8_t* literalLengths,
                                            const uint8_t* distanceLengths) const
{
    uint64_t bits = literalLengths[kEndOfBlock];
    for (int code = 0; code < 256; ++code)
        bits += uint64_t(literalFrequency[code]) * literalLengths[code];
    for (int code = 0; code < 29; ++code)
        bits +=
            uint64_t(literalFrequency[257 + code]) * (literalLengths[257 + code] + kLengthExtraBits[code]);
    for (int code = 0; code < kDistanceCodes; ++code)
        bits += uint64_t(distanceFrequency[code]) * (distanceLengths[code] + kDistanceExtraBits[code]);
    return bits;
}

void CDeflateEncoder::State::SendSymbols(const uint8_t* literalLengths, const uint16_t* literalCodes,
                                         const uint8_t* distanceLengths, const uint16_t* distanceCodes)
{
    for (unsigned i = 0; i < symbolCount; ++i) {
        unsigned distance = symbolDistance[i];
        if (distance == 0) {
            unsigned literal = symbolLiteral[i];
            PutBits(literalCodes[literal], literalLengths[literal]);
            continue;
        }
        unsigned lengthLessMin = symbolLiteral[i];
        unsigned code = tables.lengthCode[lengthLessMin];
        PutBits(literalCodes[257 + code], literalLengths[257 + code]);
        if (kLengthExtraBits[code])
            PutBits(lengthLessMin - tables.lengthBase[code], kLengthExtraBits[code]);
        unsigned distanceCode = tables.DistanceCode(distance - 1);
        PutBits(distanceCodes[distanceCode], distanceLengths[distanceCode]);
        if (kDistanceExtraBits[distanceCode])
            PutBits(distance - 1 - tables.distanceBase[distanceCode], kDistanceExtraBits[distanceCode]);
    }
    PutBits(literalCodes[kEndOfBlock], literalLengths[kEndOfBlock]);
}

void CDeflateEncoder::State::SendStoredBlock(const uint8_t* data, unsigned length, bool last)
{
    do {
        unsigned piece = std::min(length, kMaxStoredLength);
        bool final = last && piece == length;
        PutBits(final ? 1 : 0, 3);
        AlignToByte();
        PutBits(piece, 16);
        PutBits(~piece & 0xFFFF, 16); // byte-aligned and flushed: bitCount is 0 again
        for (unsigned copied = 0; copied < piece;) {
            if (outputLength == kOutputBufferSize)
                FlushOutput();
            unsigned part = std::min(piece - copied, kOutputBufferSize - outputLength);
            memcpy(output + outputLength, data + copied, part);
            outputLength += part;
            copied += part;
        }
        bitsWritten += 8ull * piece;
        data += piece;
        length -= piece;
    } while (length > 0);
}

void CDeflateEncoder::State::FlushBlock(bool last)
{
    literalFrequency[kEndOfBlock] = 1;
    uint8_t literalLengths[kLiteralCodes], distanceLengths[kDistanceCodes];
    BuildLengths(literalFrequency, kLiteralCodes, kMaxBits, literalLengths);
    BuildLengths(distanceFrequency, kDistanceCodes, kMaxBits, distanceLengths);

    // The code lengths of both trees as one run-length coded sequence.
    int literalCount = kLiteralCodes;
    while (literalCount > 257 && literalLengths[literalCount - 1] == 0)
        --literalCount;
    int distanceCount = kDistanceCodes;
    while (distanceCount > 1 && distanceLengths[distanceCount - 1] == 0)
        --distanceCount;
    uint8_t sequence[kLiteralCodes + kDistanceCodes];
    memcpy(sequence, literalLengths, literalCount);
    memcpy(sequence + literalCount, distanceLengths, distanceCount);
    const int total = literalCount + distanceCount;
    struct RunSymbol {
        uint8_t code, extra;
    } runs[kLiteralCodes + kDistanceCodes];
    int runCount = 0;
    uint32_t bitLengthFrequency[kBitLengthCodes] = {};
    auto emit = [&](unsigned code, unsigned extra) {
        runs[runCount++] = {static_cast<uint8_t>(code), static_cast<uint8_t>(extra)};
        bitLengthFrequency[code]++;
    };
    for (int i = 0; i < total;) {
        int run = 1;
        while (i + run < total && sequence[i + run] == sequence[i])
            ++run;
        unsigned value = sequence[i];
        unsigned left = run;
        if (value == 0) {
            for (; left >= 11; left -= std::min(left, 138u))
                emit(18, std::min(left, 138u) - 11);
            if (left >= 3) {
                emit(17, left - 3);
                left = 0;
            }
        } else {
            emit(value, 0);
            for (--left; left >= 3; left -= std::min(left, 6u))
                emit(16, std::min(left, 6u) - 3);
        }
        for (; left > 0; --left)
            emit(value, 0);
        i += run;
    }
    uint8_t bitLengthLengths[kBitLengthCodes];
    BuildLengths(bitLengthFrequency, kBitLengthCodes, kMaxBitLengthBits, bitLengthLengths);
    int bitLengthCount = kBitLengthCodes;
    while (bitLengthCount > 4 && bitLengthLengths[kBitLengthOrder[bitLengthCount - 1]] == 0)
        --bitLengthCount;

    uint64_t dynamicBits = 3 + 5 + 5 + 4 + 3 * bitLengthCount;
    for (int i = 0; i < runCount; ++i)
        dynamicBits += bitLengthLengths[runs[i].code] + kBitLengthExtraBits[runs[i].code];
    dynamicBits += SymbolBits(literalLengths, distanceLengths);
    uint64_t fixedBits = 3 + SymbolBits(tables.fixedLiteralLengths, tables.fixedDistanceLengths);
    // Sizes in bytes, with up to seven padding bits.
    uint64_t dynamicBytes = (dynamicBits + 7) >> 3;
    uint64_t fixedBytes = (fixedBits + 7) >> 3;
    uint64_t bestBytes = std::min(dynamicBytes, fixedBytes);
    unsigned storedLength = strstart - static_cast<unsigned>(blockStart);
    bool storedPossible = blockStart >= 0;

    const uint64_t bitsBefore = bitsWritten;
    uint64_t expectedBits;
    if (storedPossible && storedLength + 4 <= bestBytes) {
        SendStoredBlock(window + blockStart, storedLength, last);
        expectedBits = 0; // not checked: padding depends on the position
    } else if (fixedBytes <= dynamicBytes) {
        PutBits(last ? 3 : 2, 3);
        SendSymbols(tables.fixedLiteralLengths, tables.fixedLiteralCodes, tables.fixedDistanceLengths,
                    tables.fixedDistanceCodes);
        expectedBits = fixedBits;
    } else {
        uint16_t literalCodes[kLiteralCodes], distanceCodes[kDistanceCodes], bitLengthCodes[kBitLengthCodes];
        MakeCodes(literalLengths, kLiteralCodes, literalCodes);
        MakeCodes(distanceLengths, kDistanceCodes, distanceCodes);
        MakeCodes(bitLengthLengths, kBitLengthCodes, bitLengthCodes);
        PutBits(last ? 5 : 4, 3);
        PutBits(literalCount - 257, 5);
        PutBits(distanceCount - 1, 5);
        PutBits(bitLengthCount - 4, 4);
        for (int i = 0; i < bitLengthCount; ++i)
            PutBits(bitLengthLengths[kBitLengthOrder[i]], 3);
        for (int i = 0; i < runCount; ++i) {
            PutBits(bitLengthCodes[runs[i].code], bitLengthLengths[runs[i].code]);
            if (kBitLengthExtraBits[runs[i].code])
                PutBits(runs[i].extra, kBitLengthExtraBits[runs[i].code]);
        }
        SendSymbols(literalLengths, literalCodes, distanceLengths, distanceCodes);
        expectedBits = dynamicBits;
    }
    if (expectedBits && bitsWritten - bitsBefore != expectedBits)
        error = "bad compressed size";

    std::fill(literalFrequency, literalFrequency + kLiteralCodes, 0);
    std::fill(distanceFrequency, distanceFrequency + kDistanceCodes, 0);
    symbolCount = 0;
    blockStart = static_cast<long>(strstart);
}

CDeflateEncoder::CDeflateEncoder(int level) : level_(level) {}

CDeflateEncoder::~CDeflateEncoder() = default;

int CDeflateEncoder::FlagBitsOfLevel(int level)
{
    return level >= 8 ? 2 : level <= 2 ? 4 : 0;
}

CDeflateEncoder::Status CDeflateEncoder::Encode(CDeflateSource& source, CDeflateSink& sink)
{
    error_ = nullptr;
    compressedSize_ = 0;
    if (level_ < 1 || level_ > 8) {
        error_ = "bad pack level";
        return InternalError;
    }
    std::unique_ptr<State> state;
    try {
        state = std::make_unique<State>(kLevels[level_], source, sink);
    } catch (const std::bad_alloc&) {
        error_ = "out of memory";
        return InternalError;
    }
    state->Run();
    compressedSize_ = state->bytesWritten;
    error_ = state->error;
    if (error_)
        return InternalError;
    return state->sinkFailed ? SinkFailed : Ok;
}
