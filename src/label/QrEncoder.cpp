// SPDX-License-Identifier: GPL-3.0-or-later
#include "label/QrEncoder.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace zk::label {
namespace {

// Numeric data is the densest (10 bits per 3 digits), so no longer input fits version 40-L.
constexpr int kMaxSourceBytes = 7089;
constexpr int kModeIndicatorBits = 4;
constexpr std::uint8_t kPadCodewords[2] = {0xEC, 0x11};

// Character count widths by mode (numeric, alphanumeric, eight-bit, Kanji) and version group.
constexpr int kCountWidth[4][kQrVersionGroupCount] = {{10, 12, 14}, {9, 11, 13}, {8, 16, 16}, {8, 10, 12}};
constexpr std::uint32_t kModeIndicator[4] = {0b0001, 0b0010, 0b0100, 0b1000};
// Level indicators inside the format information: L 01, M 00, Q 11, H 10.
constexpr std::uint32_t kLevelFormatBits[kQrLevelCount] = {0b01, 0b00, 0b11, 0b10};

// Flags of a module while the symbol is built.
constexpr std::uint8_t kDarkData = 0x01;
constexpr std::uint8_t kDarkFunction = 0x10;
constexpr std::uint8_t kFunction = 0x20;

// GF(256) over x^8 + x^4 + x^3 + x^2 + 1, and the generator polynomial of every error-correction
// length (product of (x - a^i) for i < length), high coefficients first without the leading 1.
constexpr int kMaxEccPerBlock = 30;
// Most blocks of any symbol (version 40-H).
constexpr int kMaxBlocks = 81;

struct Galois {
    std::uint8_t exp[512]{};
    std::uint8_t log[256]{};
    std::uint8_t generator[kMaxEccPerBlock + 1][kMaxEccPerBlock]{};
};

constexpr Galois MakeGalois() {
    Galois g;
    int x = 1;
    for (int i = 0; i < 255; ++i) {
        g.exp[i] = static_cast<std::uint8_t>(x);
        g.log[x] = static_cast<std::uint8_t>(i);
        x <<= 1;
        if (x & 0x100) {
            x ^= 0x11D;
        }
    }
    for (int i = 255; i < 512; ++i) {
        g.exp[i] = g.exp[i - 255];
    }
    auto multiply = [&g](int a, int b) { return a == 0 || b == 0 ? 0 : g.exp[g.log[a] + g.log[b]]; };
    for (int length = 1; length <= kMaxEccPerBlock; ++length) {
        // Coefficients of the product with the leading term at index 0.
        std::uint8_t poly[kMaxEccPerBlock + 1]{1};
        for (int i = 0; i < length; ++i) {
            const int root = g.exp[i];
            for (int j = i + 1; j >= 1; --j) {
                poly[j] = static_cast<std::uint8_t>(poly[j] ^ multiply(poly[j - 1], root));
            }
        }
        for (int j = 0; j < length; ++j) {
            g.generator[length][j] = poly[j + 1];
        }
    }
    return g;
}

constexpr Galois kGalois = MakeGalois();

// The remainder of data x^length divided by the generator: the block's error-correction codewords.
void ReedSolomon(const std::uint8_t* data, int dataLength, int length, std::uint8_t* ecc) {
    std::memset(ecc, 0, static_cast<std::size_t>(length));
    const std::uint8_t* generator = kGalois.generator[length];
    for (int i = 0; i < dataLength; ++i) {
        const int factor = data[i] ^ ecc[0];
        std::memmove(ecc, ecc + 1, static_cast<std::size_t>(length - 1));
        ecc[length - 1] = 0;
        if (factor != 0) {
            const int logFactor = kGalois.log[factor];
            for (int j = 0; j < length; ++j) {
                if (generator[j] != 0) {
                    ecc[j] ^= kGalois.exp[logFactor + kGalois.log[generator[j]]];
                }
            }
        }
    }
}

bool IsNumeric(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// Value of an alphanumeric character, -1 for any other byte.
int AlphanumericValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    switch (c) {
    case ' ':
        return 36;
    case '$':
        return 37;
    case '%':
        return 38;
    case '*':
        return 39;
    case '+':
        return 40;
    case '-':
        return 41;
    case '.':
        return 42;
    case '/':
        return 43;
    case ':':
        return 44;
    default:
        return -1;
    }
}

// Shift JIS double-byte characters of the ranges 0x8140-0x9FFC and 0xE040-0xEBBF.
bool IsKanjiPair(std::uint8_t first, std::uint8_t second) {
    if (!((first >= 0x81 && first <= 0x9F) || (first >= 0xE0 && first <= 0xEB)) || second < 0x40) {
        return false;
    }
    return !(first == 0x9F && second > 0xFC) && !(first == 0xEB && second > 0xBF);
}

int ModeIndex(QrMode mode) {
    return static_cast<int>(mode);
}

// Bits a run takes in the stream, header included.
int RunBits(QrMode mode, int lengthBytes, int group) {
    const int header = kModeIndicatorBits + kCountWidth[ModeIndex(mode)][group];
    switch (mode) {
    case QrMode::Numeric: {
        static constexpr int kRemainderBits[3] = {0, 4, 7};
        return header + 10 * (lengthBytes / 3) + kRemainderBits[lengthBytes % 3];
    }
    case QrMode::Alphanumeric:
        return header + 11 * (lengthBytes / 2) + 6 * (lengthBytes % 2);
    case QrMode::EightBit:
        return header + 8 * lengthBytes;
    case QrMode::Kanji:
        return header + 13 * (lengthBytes / 2);
    }
    return header;
}

int RunBits(const QrSegment& run, int group) {
    return RunBits(run.mode, run.lengthBytes, group);
}

// Appends bits to a stream of bounded length, most significant bit first.
class BitWriter {
public:
    BitWriter(std::uint8_t* buffer, int& bits) : m_buffer(buffer), m_bits(bits) {}

    bool Put(std::uint32_t value, int count) {
        if (m_bits + count > kQrMaxStreamBits) {
            return false;
        }
        for (int i = count - 1; i >= 0; --i) {
            if ((value >> i) & 1u) {
                m_buffer[m_bits >> 3] |= static_cast<std::uint8_t>(0x80u >> (m_bits & 7));
            }
            ++m_bits;
        }
        return true;
    }

private:
    std::uint8_t* m_buffer;
    int& m_bits;
};

constexpr bool MaskCondition(int mask, int x, int y) {
    switch (mask) {
    case 0:
        return (y + x) % 2 == 0;
    case 1:
        return y % 2 == 0;
    case 2:
        return x % 3 == 0;
    case 3:
        return (y + x) % 3 == 0;
    case 4:
        return (y / 2 + x / 3) % 2 == 0;
    case 5:
        return (y * x) % 2 + (y * x) % 3 == 0;
    case 6:
        return ((y * x) % 2 + (y * x) % 3) % 2 == 0;
    default:
        return ((y + x) % 2 + (y * x) % 3) % 2 == 0;
    }
}

// The 15 format bits of a level and mask: BCH(15,5) code, then the fixed XOR pattern.
std::uint32_t FormatBits(int level, int mask) {
    const std::uint32_t data = (kLevelFormatBits[level] << 3) | static_cast<std::uint32_t>(mask);
    std::uint32_t remainder = data;
    for (int i = 0; i < 10; ++i) {
        remainder = (remainder << 1) ^ ((remainder >> 9) * 0x537);
    }
    return ((data << 10) | (remainder & 0x3FF)) ^ 0x5412;
}

// Calls set(x, y, dark) for both copies of the format information.
template <typename Set>
void PlaceFormatBits(int size, std::uint32_t bits, Set&& set) {
    auto bit = [bits](int i) { return ((bits >> i) & 1u) != 0; };
    for (int i = 0; i <= 5; ++i) {
        set(8, i, bit(i));
    }
    set(8, 7, bit(6));
    set(8, 8, bit(7));
    set(7, 8, bit(8));
    for (int i = 9; i < 15; ++i) {
        set(14 - i, 8, bit(i));
    }
    for (int i = 0; i < 8; ++i) {
        set(size - 1 - i, 8, bit(i));
    }
    for (int i = 8; i < 15; ++i) {
        set(8, size - 15 + i, bit(i));
    }
}

// Rows and columns are scored as bit sets (bit i = module i, 1 dark), so that a whole line is
// masked, compared and counted a word at a time.
constexpr int kLineWords = (kQrMaxSymbolModules + 63) / 64;
using Line = std::array<std::uint64_t, kLineWords>;

struct Lines {
    Line rows[kQrMaxSymbolModules];
    Line columns[kQrMaxSymbolModules];
    // Run lengths of the line being scored.
    int runs[kQrMaxSymbolModules];
};

void SetBit(Line& line, int i, bool value) {
    const std::uint64_t bit = std::uint64_t{1} << (i & 63);
    line[i >> 6] = value ? (line[i >> 6] | bit) : (line[i >> 6] & ~bit);
}

// Bit i of the result is bit i + 1 of the line.
Line ShiftDown(const Line& line) {
    Line shifted;
    for (int k = 0; k < kLineWords; ++k) {
        shifted[k] = (line[k] >> 1) | (k + 1 < kLineWords ? line[k + 1] << 63 : 0);
    }
    return shifted;
}

// Bits 0 to count - 1 set.
Line LowBits(int count) {
    Line line{};
    for (int k = 0; k < kLineWords; ++k) {
        const int bits = std::clamp(count - 64 * k, 0, 64);
        line[k] = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    }
    return line;
}

// Every mask is periodic: over 12 rows (for the pattern along a row) and over 6 columns (along a
// column), so one line per residue holds it for any symbol size.
constexpr int kMaskRowPeriod = 12;
constexpr int kMaskColumnPeriod = 6;

struct MaskLines {
    Line alongRow[kQrMaskCount][kMaskRowPeriod]{};
    Line alongColumn[kQrMaskCount][kMaskColumnPeriod]{};
};

constexpr MaskLines MakeMaskLines() {
    MaskLines lines;
    for (int mask = 0; mask < kQrMaskCount; ++mask) {
        for (int i = 0; i < kQrMaxSymbolModules; ++i) {
            for (int r = 0; r < kMaskRowPeriod; ++r) {
                if (MaskCondition(mask, i, r)) {
                    lines.alongRow[mask][r][i >> 6] |= std::uint64_t{1} << (i & 63);
                }
            }
            for (int c = 0; c < kMaskColumnPeriod; ++c) {
                if (MaskCondition(mask, c, i)) {
                    lines.alongColumn[mask][c][i >> 6] |= std::uint64_t{1} << (i & 63);
                }
            }
        }
    }
    return lines;
}

constexpr MaskLines kMaskLines = MakeMaskLines();

// Run-length penalties and finder-like patterns of one row or column.
int ScoreLine(const Line& line, const Line& transitionsValid, int size, int* runs) {
    // Run boundaries are where module i differs from module i + 1.
    const Line next = ShiftDown(line);
    int count = 0;
    int previousEnd = -1;
    for (int k = 0; k < kLineWords; ++k) {
        std::uint64_t word = (line[k] ^ next[k]) & transitionsValid[k];
        while (word != 0) {
            const int end = 64 * k + std::countr_zero(word);
            word &= word - 1;
            runs[count++] = end - previousEnd;
            previousEnd = end;
        }
    }
    runs[count++] = size - 1 - previousEnd;

    int score = 0;
    for (int i = 0; i < count; ++i) {
        if (runs[i] >= 5) {
            score += runs[i] - 2;
        }
    }
    // Runs alternate in colour, starting with the colour of the first module.
    const int firstDark = static_cast<int>(line[0] & 1u);
    for (int j = 0; j + 4 < count; ++j) {
        if (runs[j + 2] != 3 || ((j & 1) ^ firstDark) == 0 || runs[j] != 1 || runs[j + 1] != 1 || runs[j + 3] != 1 ||
            runs[j + 4] != 1) {
            continue;
        }
        // Four light modules on a side, counting those outside the symbol as light.
        const bool lightBefore = j <= 1 || runs[j - 1] >= 4;
        const bool lightAfter = j + 4 >= count - 2 || runs[j + 5] >= 4;
        if (lightBefore || lightAfter) {
            score += 40;
        }
    }
    return score;
}

int ScoreLines(Lines& lines, int size) {
    const Line transitionsValid = LowBits(size - 1);
    int score = 0;
    int dark = 0;
    for (int i = 0; i < size; ++i) {
        score += ScoreLine(lines.rows[i], transitionsValid, size, lines.runs);
        score += ScoreLine(lines.columns[i], transitionsValid, size, lines.runs);
        for (int k = 0; k < kLineWords; ++k) {
            dark += std::popcount(lines.rows[i][k]);
        }
    }
    // 2 x 2 blocks: module x equals the one below it, both neighbours to the right do too, and
    // module x equals module x + 1.
    for (int y = 0; y + 1 < size; ++y) {
        const Line& upper = lines.rows[y];
        const Line& lower = lines.rows[y + 1];
        Line same;
        for (int k = 0; k < kLineWords; ++k) {
            same[k] = ~(upper[k] ^ lower[k]);
        }
        const Line sameNext = ShiftDown(same);
        const Line upperNext = ShiftDown(upper);
        for (int k = 0; k < kLineWords; ++k) {
            score += 3 * std::popcount(same[k] & sameNext[k] & ~(upper[k] ^ upperNext[k]) & transitionsValid[k]);
        }
    }
    const int lightPercent = (size * size - dark) * 100 / (size * size);
    score += std::abs(50 - lightPercent) / 5 * 10;
    return score;
}

} // namespace

QrEncoder::QrEncoder(QrKanji kanji) : m_kanji(kanji) {}

void QrEncoder::Clear() {
    m_level = 0;
    m_version = 0;
    m_maskNumber = 0;
    m_symbolSize = 0;
    m_segments.clear();
    m_maskScores.fill(0);
}

bool QrEncoder::EncodeText(const QString& text) {
    Clear();
    // Every UTF-16 unit takes at least one UTF-8 byte, so longer texts fit no symbol.
    if (text.size() > kMaxSourceBytes) {
        return false;
    }
    const QByteArray utf8 = text.toUtf8();
    return Encode(kQrLevelL, kQrChooseVersion, true, kQrChooseMask,
                  reinterpret_cast<const std::uint8_t*>(utf8.constData()), static_cast<int>(utf8.size()),
                  QrKanji::AsBytes);
}

bool QrEncoder::EncodeData(int level, int version, bool autoExtend, int maskNumber, const char* source,
                           int sourceLength) {
    Clear();
    if (source == nullptr) {
        return false;
    }
    const std::size_t length = sourceLength > 0 ? static_cast<std::size_t>(sourceLength) : std::strlen(source);
    if (length > kMaxSourceBytes) {
        return false;
    }
    return Encode(level, version, autoExtend, maskNumber, reinterpret_cast<const std::uint8_t*>(source),
                  static_cast<int>(length), m_kanji);
}

bool QrEncoder::Encode(int level, int version, bool autoExtend, int maskNumber, const std::uint8_t* bytes, int length,
                       QrKanji kanji) {
    if (level < 0 || level >= kQrLevelCount || version < 0 || version > kQrMaxVersion || maskNumber < kQrChooseMask ||
        maskNumber >= kQrMaskCount || length <= 0 || length > kMaxSourceBytes) {
        return false;
    }
    m_level = level;

    // The smallest allowed version that holds the stream, trying the version groups in order since
    // the stream's length depends on the group's count widths.
    const int firstVersion = version == kQrChooseVersion ? kQrMinVersion : version;
    const int lastVersion = version == kQrChooseVersion || autoExtend ? kQrMaxVersion : version;
    int chosen = 0;
    for (int group = QrVersionGroup(firstVersion); group <= QrVersionGroup(lastVersion) && chosen == 0; ++group) {
        Segment(bytes, length, group, kanji);
        if (!WriteStream(bytes, group)) {
            continue;
        }
        const int streamBytes = (m_streamBits + 7) / 8;
        const int from = std::max(firstVersion, QrVersionGroupFirst(group));
        const int to = std::min(lastVersion, QrVersionGroupLast(group));
        for (int v = from; v <= to; ++v) {
            if (QrVersion(v).dataCodewords[level] >= streamBytes) {
                chosen = v;
                break;
            }
        }
    }
    if (chosen == 0) {
        Clear();
        return false;
    }
    m_version = chosen;
    m_symbolSize = 17 + 4 * chosen;

    // Terminator, byte boundary, then alternating pad codewords up to the data capacity.
    const int capacityBits = QrVersion(chosen).dataCodewords[level] * 8;
    BitWriter writer(m_stream.data(), m_streamBits);
    writer.Put(0, std::min(4, capacityBits - m_streamBits));
    writer.Put(0, (8 - m_streamBits % 8) % 8);
    for (int i = 0; m_streamBits < capacityBits; ++i) {
        writer.Put(kPadCodewords[i % 2], 8);
    }

    MakeCodewords();
    PlaceFunctionPatterns();
    PlaceCodewords();
    m_maskNumber = maskNumber == kQrChooseMask ? ChooseMask() : maskNumber;

    // Apply the mask to data modules, write the format information, and reduce to 1 and 0.
    const int size = m_symbolSize;
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            std::uint8_t& module = m_module[x * kQrMaxSymbolModules + y];
            if (module & kFunction) {
                module = (module & kDarkFunction) ? 1 : 0;
            } else {
                module = static_cast<std::uint8_t>((module & kDarkData) ^ (MaskCondition(m_maskNumber, x, y) ? 1 : 0));
            }
        }
    }
    PlaceFormatBits(size, FormatBits(level, m_maskNumber),
                    [this](int x, int y, bool dark) { m_module[x * kQrMaxSymbolModules + y] = dark ? 1 : 0; });
    return true;
}

void QrEncoder::Segment(const std::uint8_t* source, int length, int group, QrKanji kanji) {
    // Runs of bytes of one class.
    std::vector<QrSegment>& in = m_runs;
    in.clear();
    for (int i = 0; i < length;) {
        QrMode mode;
        int width = 1;
        if (kanji == QrKanji::ShiftJis && i + 1 < length && IsKanjiPair(source[i], source[i + 1])) {
            mode = QrMode::Kanji;
            width = 2;
        } else if (IsNumeric(source[i])) {
            mode = QrMode::Numeric;
        } else if (AlphanumericValue(source[i]) >= 0) {
            mode = QrMode::Alphanumeric;
        } else {
            mode = QrMode::EightBit;
        }
        if (!in.empty() && in.back().mode == mode) {
            in.back().lengthBytes += width;
        } else {
            in.push_back({mode, width});
        }
        i += width;
    }

    // Both passes walk the runs pair by pair: the left run of a pair is the last one of the runs
    // already passed (out), the right one is in[next]. Merges shrink out or rewrite in[next] in
    // place, so every merge costs constant time however many runs there are.
    std::vector<QrSegment>& out = m_segments;
    auto bits = [group](const QrSegment& run) { return RunBits(run, group); };
    auto eightBit = [group](int lengthBytes) { return RunBits(QrMode::EightBit, lengthBytes, group); };
    auto beforeLast = [&out]() -> QrSegment* { return out.size() >= 2 ? &out[out.size() - 2] : nullptr; };

    // First pass: a numeric run beside an alphanumeric one is joined into one alphanumeric run when
    // that is shorter, unless folding one of them into a neighbouring eight-bit run saves more.
    out.clear();
    std::size_t next = 0;
    if (!in.empty()) {
        out.push_back(in[next++]);
    }
    while (next < in.size()) {
        const QrSegment a = out.back();
        const QrSegment b = in[next];
        const bool mixed = (a.mode == QrMode::Numeric && b.mode == QrMode::Alphanumeric) ||
                           (a.mode == QrMode::Alphanumeric && b.mode == QrMode::Numeric);
        const int joined = RunBits(QrMode::Alphanumeric, a.lengthBytes + b.lengthBytes, group);
        if (!mixed || joined >= bits(a) + bits(b)) {
            out.push_back(in[next++]);
            continue;
        }
        // Bits each fold saves over the join, counted over the same runs; 0 when it saves nothing.
        QrSegment* previous = beforeLast();
        QrSegment* following = next + 1 < in.size() ? &in[next + 1] : nullptr;
        int saveBefore = 0;
        int saveAfter = 0;
        if (previous != nullptr && previous->mode == QrMode::EightBit) {
            const int length = previous->lengthBytes;
            saveBefore = (eightBit(length) + joined) - (eightBit(length + a.lengthBytes) + bits(b));
        }
        if (following != nullptr && following->mode == QrMode::EightBit) {
            const int length = following->lengthBytes;
            saveAfter = (joined + eightBit(length)) - (bits(a) + eightBit(b.lengthBytes + length));
        }
        if (saveBefore > 0 && saveBefore >= saveAfter) {
            previous->lengthBytes += a.lengthBytes;
            out.pop_back();
            out.push_back(in[next++]);
        } else if (saveAfter > 0) {
            following->lengthBytes += b.lengthBytes;
            ++next;
        } else {
            // The joined run takes in alphanumeric runs on both sides and is looked at again with
            // its new right neighbour.
            out.back() = {QrMode::Alphanumeric, a.lengthBytes + b.lengthBytes};
            ++next;
            if (next < in.size() && in[next].mode == QrMode::Alphanumeric) {
                out.back().lengthBytes += in[next++].lengthBytes;
            }
            previous = beforeLast();
            if (previous != nullptr && previous->mode == QrMode::Alphanumeric) {
                previous->lengthBytes += out.back().lengthBytes;
                out.pop_back();
            }
        }
    }

    // Second pass: two neighbouring runs become one eight-bit run, together with eight-bit runs on
    // either side, whenever that takes fewer bits than keeping them apart; the merged run is then
    // paired again with the run before it.
    in.swap(out);
    out.clear();
    next = 0;
    if (!in.empty()) {
        out.push_back(in[next++]);
    }
    const int eightBitHeader = kModeIndicatorBits + kCountWidth[ModeIndex(QrMode::EightBit)][group];
    while (next < in.size()) {
        const QrSegment a = out.back();
        const QrSegment b = in[next];
        const QrSegment* previous = beforeLast();
        const bool previousEightBit = previous != nullptr && previous->mode == QrMode::EightBit;
        const bool nextEightBit = next + 1 < in.size() && in[next + 1].mode == QrMode::EightBit;
        int merged = eightBit(a.lengthBytes + b.lengthBytes);
        merged -= (previousEightBit ? eightBitHeader : 0) + (nextEightBit ? eightBitHeader : 0);
        if (merged >= bits(a) + bits(b)) {
            out.push_back(in[next++]);
            continue;
        }
        int total = a.lengthBytes + b.lengthBytes;
        out.pop_back();
        if (previousEightBit) {
            total += out.back().lengthBytes;
            out.pop_back();
        }
        if (nextEightBit) {
            total += in[next + 1].lengthBytes;
            ++next;
        }
        in[next] = {QrMode::EightBit, total};
        if (out.empty()) {
            out.push_back(in[next++]);
        }
    }
}

bool QrEncoder::WriteStream(const std::uint8_t* source, int group) {
    m_stream.fill(0);
    m_streamBits = 0;
    BitWriter writer(m_stream.data(), m_streamBits);
    const std::uint8_t* at = source;
    for (const QrSegment& run : m_segments) {
        const int mode = ModeIndex(run.mode);
        const int countWidth = kCountWidth[mode][group];
        const int count = run.mode == QrMode::Kanji ? run.lengthBytes / 2 : run.lengthBytes;
        // A count the field cannot hold would be cut and misread; such a run never fits the group.
        if (count >= (1 << countWidth) || !writer.Put(kModeIndicator[mode], kModeIndicatorBits) ||
            !writer.Put(static_cast<std::uint32_t>(count), countWidth)) {
            return false;
        }
        bool ok = true;
        switch (run.mode) {
        case QrMode::Numeric:
            for (int i = 0; i < run.lengthBytes && ok; i += 3) {
                const int digits = std::min(3, run.lengthBytes - i);
                std::uint32_t value = 0;
                for (int d = 0; d < digits; ++d) {
                    value = value * 10 + static_cast<std::uint32_t>(at[i + d] - '0');
                }
                ok = writer.Put(value, digits * 3 + 1);
            }
            break;
        case QrMode::Alphanumeric:
            for (int i = 0; i < run.lengthBytes && ok; i += 2) {
                if (i + 1 < run.lengthBytes) {
                    ok = writer.Put(
                        static_cast<std::uint32_t>(AlphanumericValue(at[i]) * 45 + AlphanumericValue(at[i + 1])), 11);
                } else {
                    ok = writer.Put(static_cast<std::uint32_t>(AlphanumericValue(at[i])), 6);
                }
            }
            break;
        case QrMode::EightBit:
            for (int i = 0; i < run.lengthBytes && ok; ++i) {
                ok = writer.Put(at[i], 8);
            }
            break;
        case QrMode::Kanji:
            for (int i = 0; i + 1 < run.lengthBytes && ok; i += 2) {
                std::uint32_t value = (static_cast<std::uint32_t>(at[i]) << 8) | at[i + 1];
                value = (value >= 0x8140 && value <= 0x9FFC ? value - 0x8140 : value - 0xC140) & 0xFFFF;
                ok = writer.Put((value >> 8) * 0xC0 + (value & 0xFF), 13);
            }
            break;
        }
        if (!ok) {
            return false;
        }
        at += run.lengthBytes;
    }
    return true;
}

void QrEncoder::MakeCodewords() {
    const QrVersionInfo& info = QrVersion(m_version);
    const QrBlockGroup* groups = info.blockGroups[m_level];
    const int eccLength = groups[0].codewordsPerBlock - groups[0].dataCodewordsPerBlock;

    // Data offset and length of every block, the shorter group first.
    int blockStart[kMaxBlocks];
    int blockData[kMaxBlocks];
    int blocks = 0;
    int offset = 0;
    for (int g = 0; g < 2; ++g) {
        for (int b = 0; b < groups[g].blocks; ++b) {
            blockStart[blocks] = offset;
            blockData[blocks] = groups[g].dataCodewordsPerBlock;
            offset += groups[g].dataCodewordsPerBlock;
            ++blocks;
        }
    }

    std::uint8_t ecc[kMaxBlocks][kMaxEccPerBlock];
    for (int b = 0; b < blocks; ++b) {
        ReedSolomon(m_stream.data() + blockStart[b], blockData[b], eccLength, ecc[b]);
    }

    // Interleave codeword by codeword: data of all blocks, then their error-correction codewords.
    const int longestData = groups[1].blocks > 0 ? groups[1].dataCodewordsPerBlock : groups[0].dataCodewordsPerBlock;
    int out = 0;
    for (int i = 0; i < longestData; ++i) {
        for (int b = 0; b < blocks; ++b) {
            if (i < blockData[b]) {
                m_codewords[out++] = m_stream[blockStart[b] + i];
            }
        }
    }
    for (int i = 0; i < eccLength; ++i) {
        for (int b = 0; b < blocks; ++b) {
            m_codewords[out++] = ecc[b][i];
        }
    }
}

void QrEncoder::PlaceFunctionPatterns() {
    const int size = m_symbolSize;
    m_module.fill(0);
    auto set = [this](int x, int y, bool dark) {
        m_module[x * kQrMaxSymbolModules + y] = kFunction | (dark ? kDarkFunction : 0);
    };

    // Finder patterns with their light separators.
    const int finderCorners[3][2] = {{0, 0}, {size - 7, 0}, {0, size - 7}};
    for (const auto& corner : finderCorners) {
        for (int dy = -1; dy <= 7; ++dy) {
            for (int dx = -1; dx <= 7; ++dx) {
                const int x = corner[0] + dx;
                const int y = corner[1] + dy;
                if (x < 0 || y < 0 || x >= size || y >= size) {
                    continue;
                }
                const bool inside = dx >= 0 && dx <= 6 && dy >= 0 && dy <= 6;
                const bool ring = dx == 0 || dx == 6 || dy == 0 || dy == 6;
                const bool core = dx >= 2 && dx <= 4 && dy >= 2 && dy <= 4;
                set(x, y, inside && (ring || core));
            }
        }
    }

    for (int i = 8; i < size - 8; ++i) {
        set(6, i, i % 2 == 0);
        set(i, 6, i % 2 == 0);
    }

    // Alignment patterns at every pair of centres except the three under the finder patterns.
    const QrVersionInfo& info = QrVersion(m_version);
    const int count = info.alignmentCentreCount;
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) {
            if ((i == 0 && j == 0) || (i == 0 && j == count - 1) || (i == count - 1 && j == 0)) {
                continue;
            }
            const int cx = info.alignmentCentres[i];
            const int cy = info.alignmentCentres[j];
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    set(cx + dx, cy + dy, std::max(std::abs(dx), std::abs(dy)) != 1);
                }
            }
        }
    }

    // Version information (BCH(18,6)) in the two 6 x 3 areas beside the upper-right and lower-left
    // finder patterns.
    if (m_version >= 7) {
        std::uint32_t remainder = static_cast<std::uint32_t>(m_version);
        for (int i = 0; i < 12; ++i) {
            remainder = (remainder << 1) ^ ((remainder >> 11) * 0x1F25);
        }
        const std::uint32_t bits = (static_cast<std::uint32_t>(m_version) << 12) | (remainder & 0xFFF);
        for (int i = 0; i < 18; ++i) {
            const bool dark = ((bits >> i) & 1u) != 0;
            set(size - 11 + i % 3, i / 3, dark);
            set(i / 3, size - 11 + i % 3, dark);
        }
    }

    // Reserve the format areas (written once the mask is known), then the dark module.
    PlaceFormatBits(size, 0, set);
    set(8, size - 8, true);
}

void QrEncoder::PlaceCodewords() {
    const int size = m_symbolSize;
    const int totalBits = QrVersion(m_version).totalCodewords * 8;
    int bit = 0;
    // Two-column strips from the right, upwards then downwards, skipping the vertical timing column.
    for (int right = size - 1; right >= 1; right -= 2) {
        if (right == 6) {
            right = 5;
        }
        const bool upward = ((right + 1) & 2) == 0;
        for (int step = 0; step < size; ++step) {
            const int y = upward ? size - 1 - step : step;
            for (int x = right; x >= right - 1; --x) {
                std::uint8_t& module = m_module[x * kQrMaxSymbolModules + y];
                if (module & kFunction) {
                    continue;
                }
                // Remainder modules past the last codeword stay light.
                if (bit < totalBits && ((m_codewords[bit >> 3] >> (7 - (bit & 7))) & 1u)) {
                    module = kDarkData;
                }
                ++bit;
            }
        }
    }
}

int QrEncoder::ChooseMask() {
    const int size = m_symbolSize;
    // The unmasked symbol, and which modules the mask applies to.
    auto base = std::make_unique<Lines>();
    auto data = std::make_unique<Lines>();
    auto masked = std::make_unique<Lines>();
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            const std::uint8_t module = m_module[x * kQrMaxSymbolModules + y];
            const bool function = (module & kFunction) != 0;
            const bool dark = function ? (module & kDarkFunction) != 0 : (module & kDarkData) != 0;
            SetBit(base->rows[y], x, dark);
            SetBit(base->columns[x], y, dark);
            SetBit(data->rows[y], x, !function);
            SetBit(data->columns[x], y, !function);
        }
    }
    int best = 0;
    for (int mask = 0; mask < kQrMaskCount; ++mask) {
        for (int i = 0; i < size; ++i) {
            const Line& alongRow = kMaskLines.alongRow[mask][i % kMaskRowPeriod];
            const Line& alongColumn = kMaskLines.alongColumn[mask][i % kMaskColumnPeriod];
            for (int k = 0; k < kLineWords; ++k) {
                masked->rows[i][k] = base->rows[i][k] ^ (alongRow[k] & data->rows[i][k]);
                masked->columns[i][k] = base->columns[i][k] ^ (alongColumn[k] & data->columns[i][k]);
            }
        }
        PlaceFormatBits(size, FormatBits(m_level, mask), [&masked](int x, int y, bool dark) {
            SetBit(masked->rows[y], x, dark);
            SetBit(masked->columns[x], y, dark);
        });
        m_maskScores[mask] = ScoreLines(*masked, size);
        // Only a strictly lower score replaces the best, so ties keep the lower mask number.
        if (m_maskScores[mask] < m_maskScores[best]) {
            best = mask;
        }
    }
    return best;
}

int QrEncoder::Score(const std::uint8_t* modules, int size) {
    if (modules == nullptr || size <= 0 || size > kQrMaxSymbolModules) {
        return -1;
    }
    auto lines = std::make_unique<Lines>();
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool dark = modules[y * size + x] != 0;
            SetBit(lines->rows[y], x, dark);
            SetBit(lines->columns[x], y, dark);
        }
    }
    return ScoreLines(*lines, size);
}

} // namespace zk::label
