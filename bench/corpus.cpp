#include "bench/corpus.h"

#include <random>
#include <vector>

#include "platform/text_encoding.h"

namespace qv::bench {
namespace {

std::vector<std::string> ToCp932(std::initializer_list<const char*> words) {
  std::vector<std::string> out;
  for (const char* w : words) {
    std::string s;
    Utf8ToCp932(w, s, nullptr);
    out.push_back(s);
  }
  return out;
}

// Lines of prose: kanji, hiragana, katakana with voiced forms, full-width
// letters and digits, Japanese punctuation, ideographic spaces, and every
// eighth line quoted.
std::string MixedLine(std::mt19937& random) {
  static const std::vector<std::string> kanji = ToCp932(
      {"日本語", "文章", "変換", "試験", "東京", "会社", "漢字", "全角", "半角", "処理", "結果", "確認", "説明"});
  static const std::vector<std::string> kana = ToCp932(
      {"は", "を", "の", "に", "です", "ます", "しました", "について", "ですが", "として", "から", "まで"});
  static const std::vector<std::string> katakana =
      ToCp932({"データ", "テキスト", "ファイル", "ガイド", "パソコン", "ブラウザ", "ヴァイオリン", "サーバー"});
  static const std::vector<std::string> latin = ToCp932({"ＡＢＣ", "ＰＣ", "Ｗｉｎｄｏｗｓ", "１２３", "２０２６", "ＴｅｒａＰａｄ"});
  static const std::vector<std::string> punct = ToCp932({"、", "。", "「", "」", "　", "・", "ー"});
  static const std::vector<std::string> quotes = ToCp932({"＞", "> ", "　＞", "｜"});
  std::string line;
  if (random() % 8 == 0) line += quotes[random() % quotes.size()];
  const int words = 8 + static_cast<int>(random() % 12);
  for (int i = 0; i < words; ++i) {
    switch (random() % 10) {
      case 0: case 1: case 2: line += kanji[random() % kanji.size()]; break;
      case 3: case 4: case 5: line += kana[random() % kana.size()]; break;
      case 6: line += katakana[random() % katakana.size()]; break;
      case 7: line += latin[random() % latin.size()]; break;
      default: line += punct[random() % punct.size()]; break;
    }
  }
  return line;
}

std::string AsciiLine(std::mt19937& random) {
  static const char* const words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "Text",
                                      "editor", "2026", "convert", "width", "(forms)", "a+b=c;", "release"};
  std::string line;
  const int count = 6 + static_cast<int>(random() % 10);
  for (int i = 0; i < count; ++i) {
    if (i != 0) line += ' ';
    line += words[random() % std::size(words)];
  }
  return line;
}

// Half-width kana with voiced and semi-voiced marks, half-width punctuation
// and spaces.
std::string KanaLine(std::mt19937& random) {
  static const std::vector<std::string> words = ToCp932(
      {"ﾃﾞｰﾀ", "ﾃｷｽﾄ", "ﾌｧｲﾙ", "ｶﾞｲﾄﾞ", "ﾊﾟｿｺﾝ", "ﾌﾞﾗｳｻﾞ", "ｳﾞｧｲｵﾘﾝ", "ｻｰﾊﾞｰ", "ﾎﾟｽﾄ", "ｼﾞｮｳﾎｳ", "｢ｶﾅ｣", "｡", "､", " "});
  std::string line;
  const int count = 6 + static_cast<int>(random() % 10);
  for (int i = 0; i < count; ++i) line += words[random() % words.size()];
  return line;
}

}  // namespace

bool CorpusFromName(std::string_view name, Corpus* corpus) {
  if (name == "mixed") *corpus = Corpus::kMixed;
  else if (name == "ascii") *corpus = Corpus::kAscii;
  else if (name == "kana") *corpus = Corpus::kKana;
  else return false;
  return true;
}

std::string MakeCorpus(Corpus corpus, size_t bytes) {
  std::mt19937 random(20261207);
  std::string text;
  text.reserve(bytes + 256);
  while (text.size() < bytes) {
    text += corpus == Corpus::kMixed ? MixedLine(random) : corpus == Corpus::kAscii ? AsciiLine(random) : KanaLine(random);
    text += "\r\n";
  }
  return text;
}

}  // namespace qv::bench
