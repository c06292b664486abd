// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Capacity, error-correction block and alignment-pattern tables of QR code symbols (Model 2),
// versions 1 to 40. Constant data: safe from any thread.
namespace zk::label {

inline constexpr int kQrMinVersion = 1;
inline constexpr int kQrMaxVersion = 40;
inline constexpr int kQrLevelCount = 4; // 0 = L, 1 = M, 2 = Q, 3 = H
inline constexpr int kQrMaxAlignmentCentres = 7;
// Largest data and total codeword counts of any symbol (version 40-L and version 40).
inline constexpr int kQrMaxDataCodewords = 2956;
inline constexpr int kQrMaxTotalCodewords = 3706;
// Longest single Reed-Solomon block (data plus error-correction codewords).
inline constexpr int kQrMaxBlockCodewords = 153;

// One group of equal blocks: how many, their length in codewords and how many of those carry data.
struct QrBlockGroup {
    int blocks;
    int codewordsPerBlock;
    int dataCodewordsPerBlock;
};

struct QrVersionInfo {
    int totalCodewords;
    int dataCodewords[kQrLevelCount];
    int alignmentCentreCount;
    int alignmentCentres[kQrMaxAlignmentCentres];
    // Per level, the shorter blocks first; a second group with 0 blocks is absent.
    QrBlockGroup blockGroups[kQrLevelCount][2];
};

// The row of a version; version must lie in 1..40.
const QrVersionInfo& QrVersion(int version);

// Version groups that share character count widths: 0 for versions 1-9, 1 for 10-26, 2 for 27-40.
inline constexpr int kQrVersionGroupCount = 3;
int QrVersionGroup(int version);
int QrVersionGroupFirst(int group);
int QrVersionGroupLast(int group);

} // namespace zk::label
