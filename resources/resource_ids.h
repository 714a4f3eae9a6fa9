// The resource ids of Quorvel.exe, one list for resources/quorvel.rc and the
// code: the options dialog template, its thirteen buttons and the icon group.
#pragma once

#define QV_IDD_OPTIONS 101
#define QV_IDI_OPTIONS 102
#define QV_IDC_FULL_TO_HALF 1001
#define QV_IDC_HALF_TO_FULL 1002
#define QV_IDC_ALPHABET 1003
#define QV_IDC_SPACE 1004
#define QV_IDC_JP_PUNCT 1005
#define QV_IDC_NUMBER 1006
#define QV_IDC_PUNCT 1007
#define QV_IDC_KATAKANA 1008
#define QV_IDC_QUOTED_LINE 1009
#define QV_IDC_UNDERBAR 1010
#define QV_IDC_IMPOSSIBLE_REVERSE 1011
#define QV_IDC_HIRA_TO_KANA 1012
#define QV_IDC_NO_CONNECT_VOICED 1013

#ifndef RC_INVOKED
namespace qv {

inline constexpr int kOptionsDialogTemplate = QV_IDD_OPTIONS;
inline constexpr int kOptionsIconGroup = QV_IDI_OPTIONS;
inline constexpr int kIdFullToHalf = QV_IDC_FULL_TO_HALF;
inline constexpr int kIdHalfToFull = QV_IDC_HALF_TO_FULL;
inline constexpr int kIdAlphabet = QV_IDC_ALPHABET;
inline constexpr int kIdSpace = QV_IDC_SPACE;
inline constexpr int kIdJPPunct = QV_IDC_JP_PUNCT;
inline constexpr int kIdNumber = QV_IDC_NUMBER;
inline constexpr int kIdPunct = QV_IDC_PUNCT;
inline constexpr int kIdKatakana = QV_IDC_KATAKANA;
inline constexpr int kIdQuotedLine = QV_IDC_QUOTED_LINE;
inline constexpr int kIdUnderbar = QV_IDC_UNDERBAR;
inline constexpr int kIdImpossibleReverse = QV_IDC_IMPOSSIBLE_REVERSE;
inline constexpr int kIdHiraToKana = QV_IDC_HIRA_TO_KANA;
inline constexpr int kIdNoConnectVoiced = QV_IDC_NO_CONNECT_VOICED;

}  // namespace qv
#endif
