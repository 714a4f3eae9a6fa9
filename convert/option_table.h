// Every option in one table: its switch letter, its key in the settings file,
// the member that holds it, the dialog's control that shows it and its line
// in the filter's --help. The switches, the settings file, the dialog and the
// filter all read it; the order of the keys is the order of the file.
#pragma once

#include <cstdint>
#include <span>

#include "convert/options.h"
#include "resources/resource_ids.h"

namespace qv {

struct OptionEntry {
  char letter;                          // the capital letter sets it, the small one clears it
  uint8_t ConversionOptions::*member;   // null: ShowDialog, which the run holds
  const char* key;                      // in the settings file; null: a switch only
  int control;                          // the dialog's box (the direction: the button of 1); 0: none
  uint8_t ConversionOptions::*clears;   // cleared when the option is set; null: nothing
  const char* japanese;                 // --help (UTF-8)
  const char* english;
};

inline constexpr OptionEntry kOptionTable[] = {
    {'D', nullptr, nullptr, 0, nullptr, "設定ダイアログ (フィルタでは無視)", "the options dialog (the filter ignores it)"},
    {'X', &ConversionOptions::ExchangeZenHan, "ExchangeZenHan", kIdFullToHalf, nullptr, "全角→半角 (x: 半角→全角)",
     "full-width to half-width (x: half-width to full-width)"},
    {'A', &ConversionOptions::ProcessAlphabet, "ProcessAlphabet", kIdAlphabet, nullptr, "英字 (初めから有効)", "letters (on at first)"},
    {'N', &ConversionOptions::ProcessNumber, "ProcessNumber", kIdNumber, nullptr, "数字", "digits"},
    {'S', &ConversionOptions::ProcessSpace, "ProcessSpace", kIdSpace, nullptr, "空白", "space"},
    {'P', &ConversionOptions::ProcessPunct, "ProcessPunct", kIdPunct, nullptr, "記号", "ASCII punctuation"},
    {'J', &ConversionOptions::ProcessJPPunct, "ProcessJPPunct", kIdJPPunct, nullptr, "日本語の記号", "Japanese punctuation"},
    {'K', &ConversionOptions::ProcessKatakana, "ProcessKatakana", kIdKatakana, nullptr, "カタカナ", "katakana"},
    {'L', &ConversionOptions::ProcessQuotedLine, "ProcessQuotedLine", kIdQuotedLine, nullptr, "引用行も変換", "convert quoted lines too"},
    {'U', &ConversionOptions::ReplaceSpaceToUnderbar, "ReplaceSpaceToUnderbar", kIdUnderbar, nullptr, "半角空白を _ に",
     "half-width spaces become _"},
    {'R', &ConversionOptions::ProcessImpossibleReverse, "ProcessImpossibleReverse", kIdImpossibleReverse, nullptr,
     "戻せない変換も行う (全角→半角)", "irreversible mappings too (to half-width)"},
    {'T', &ConversionOptions::TransformHiraToKana, "TransformHiraToKana", kIdHiraToKana, nullptr,
     "ひらがなも (x では半角カナ→ひらがな)", "hiragana too (with x: half-width kana to hiragana)"},
    {'V', &ConversionOptions::NoConnectVoiced, "NoConnectVoiced", kIdNoConnectVoiced, nullptr, "濁点・半濁点を結合しない (半角→全角)",
     "do not join sound marks (to full-width)"},
    {'M', &ConversionOptions::Normalize, nullptr, 0, nullptr, "一括: 英数字・空白・記号は半角へ、カナ・日本語の記号は全角へ (m: X/x に戻す)",
     "normalize: letters, digits, space, punctuation to half-width, kana to full-width (m: back to X/x)"},
    {'G', &ConversionOptions::ToHiragana, nullptr, 0, &ConversionOptions::ToKatakana, "変換の後、全角カタカナ→ひらがな",
     "then full-width katakana to hiragana"},
    {'C', &ConversionOptions::ToKatakana, nullptr, 0, &ConversionOptions::ToHiragana, "変換の後、ひらがな→全角カタカナ",
     "then hiragana to full-width katakana"},
};

// The options of the settings file, in the file's order: the direction, then
// the eleven boxes of the dialog.
inline constexpr std::span<const OptionEntry> kSettingsOptions = std::span(kOptionTable).subspan(1, 12);
inline constexpr std::span<const OptionEntry> kOptionBoxes = kSettingsOptions.subspan(1);

// The entry of a switch letter, of either case; null for none.
constexpr const OptionEntry* FindOption(char letter) {
  const char capital = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
  for (const OptionEntry& entry : kOptionTable) {
    if (entry.letter == capital) return &entry;
  }
  return nullptr;
}

}  // namespace qv
