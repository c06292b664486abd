// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "label/QrVersionTable.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// Turns a byte string into the module matrix of a QR code symbol (Model 2). An encoder object is
// made for one encoding and read afterwards; it is not shared between threads while encoding, and
// any thread may use its own encoder.
namespace zk::label {

inline constexpr int kQrLevelL = 0;
inline constexpr int kQrLevelM = 1;
inline constexpr int kQrLevelQ = 2;
inline constexpr int kQrLevelH = 3;
inline constexpr int kQrChooseVersion = 0;
inline constexpr int kQrChooseMask = -1;
inline constexpr int kQrMaskCount = 8;
inline constexpr int kQrMaxSymbolModules = 177;
// The bit stream holds at most the data codewords of version 40-L.
inline constexpr int kQrMaxStreamBits = kQrMaxDataCodewords * 8;

enum class QrMode : std::uint8_t { Numeric = 0, Alphanumeric = 1, EightBit = 2, Kanji = 3 };

// Whether two-byte characters in the Shift JIS Kanji ranges are written in Kanji mode. Readers
// decode Kanji mode as Shift JIS, so only Shift JIS input may use it; UTF-8 text (what the tool
// encodes) must travel as eight-bit bytes.
enum class QrKanji { AsBytes, ShiftJis };

// One run of the input written with one mode; its length counts input bytes (two per Kanji).
struct QrSegment {
    QrMode mode;
    int lengthBytes;

    bool operator==(const QrSegment&) const = default;
};

class QrEncoder final {
public:
    explicit QrEncoder(QrKanji kanji = QrKanji::AsBytes);

    // Encodes source bytes; sourceLength <= 0 means the zero-terminated string at source. level is
    // 0-3 (L, M, Q, H), version 1-40 or 0 to choose the smallest that fits, autoExtend lets a larger
    // version than the one requested be used, maskNumber is 0-7 or -1 to choose the best-scoring
    // mask. Returns true with version, mask, size and matrix set; false (and no symbol) for an empty
    // source, data that fits no allowed version of the level, or arguments out of range.
    bool EncodeData(int level, int version, bool autoExtend, int maskNumber, const char* source, int sourceLength);

    // Encodes a text as the tool does: its UTF-8 bytes (never Kanji mode, whatever the encoder was
    // made with), level L, the smallest version, the best mask.
    bool EncodeText(const QString& text);

    bool HasSymbol() const { return m_symbolSize > 0; }
    int Level() const { return m_level; }
    int Version() const { return m_version; }
    int MaskNumber() const { return m_maskNumber; }
    // Modules per side, 17 + 4 x version; 0 when there is no symbol.
    int SymbolSize() const { return m_symbolSize; }
    // 1 for a dark module, 0 for a light one; x is the column, y the row, both 0 to size - 1.
    std::uint8_t Module(int x, int y) const { return m_module[x * kQrMaxSymbolModules + y]; }
    // The runs the data was written in.
    const std::vector<QrSegment>& Segments() const { return m_segments; }
    // The score of each mask when the mask was chosen (all 0 when it was given).
    const std::array<int, kQrMaskCount>& MaskScores() const { return m_maskScores; }

    // Penalty score of a finished matrix of size x size modules, stored row by row (y * size + x),
    // 1 dark and 0 light; lower is better. -1 when size is not 1 to 177.
    static int Score(const std::uint8_t* modules, int size);

private:
    bool Encode(int level, int version, bool autoExtend, int maskNumber, const std::uint8_t* source, int length,
                QrKanji kanji);
    void Segment(const std::uint8_t* source, int length, int group, QrKanji kanji);
    bool WriteStream(const std::uint8_t* source, int group);
    void MakeCodewords();
    void PlaceFunctionPatterns();
    void PlaceCodewords();
    int ChooseMask();
    void Clear();

    QrKanji m_kanji;
    int m_level = 0;
    int m_version = 0;
    int m_maskNumber = 0;
    int m_symbolSize = 0;
    std::vector<QrSegment> m_segments;
    std::vector<QrSegment> m_runs; // working copy while segmenting
    std::array<int, kQrMaskCount> m_maskScores{};
    int m_streamBits = 0;
    std::array<std::uint8_t, kQrMaxDataCodewords> m_stream{};
    std::array<std::uint8_t, kQrMaxTotalCodewords> m_codewords{};
    // Indexed [x][y]; while building, bit 0 marks a dark data module, bit 4 a dark function module
    // and bit 5 a function module; finally 1 (dark) or 0 (light).
    std::array<std::uint8_t, kQrMaxSymbolModules * kQrMaxSymbolModules> m_module{};
};

} // namespace zk::label
