#include "convert/convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "convert/tables.h"
#include "platform/text_encoding.h"

namespace qv {
namespace {

using O = ConversionOptions;

O Opts(std::initializer_list<uint8_t O::*> on, bool toHalf = true) {
  O o;
  o.ProcessAlphabet = 0;
  o.ExchangeZenHan = toHalf ? 1 : 0;
  for (auto m : on) o.*m = 1;
  return o;
}

std::string Convert(const O& o, const std::string& in, std::string_view marks = kDefaultQuoteMarks) {
  QuoteMarkList list;
  list.Set(marks);
  std::vector<char> block(4 * (in.size() + 1), '\x55');
  std::memcpy(block.data(), in.c_str(), in.size() + 1);
  EXPECT_TRUE(o.ExchangeZenHan ? ConvertToHalf(o, list, block.data())
                               : ConvertToFullInBlock(o, list, block.data(), in.size()));
  return block.data();
}

// Every entry of every table, against lines of every character of a class
// written out here (in UTF-8, read as code page 932 by the platform).
struct Line {
  const char* name;
  O options;  // the direction is set per check
  const char* full;
  const char* half;
  bool toHalf;
  bool toFull;
};

constexpr char kKatakana[] =
    "ヲァィゥェォャュョッアイウエオカガキギクグケゲコゴサザシジスズセゼソゾタダチヂツヅテデトドナニヌネノハバパヒビピフブプ"
    "ヘベペホボポマミムメモヤユヨラリルレロワンヴ";
constexpr char kKatakanaHalf[] =
    "ｦｧｨｩｪｫｬｭｮｯｱｲｳｴｵｶｶﾞｷｷﾞｸｸﾞｹｹﾞｺｺﾞｻｻﾞｼｼﾞｽｽﾞｾｾﾞｿｿﾞﾀﾀﾞﾁﾁﾞﾂﾂﾞﾃﾃﾞﾄﾄﾞﾅﾆﾇﾈﾉﾊﾊﾞﾊﾟﾋﾋﾞﾋﾟﾌﾌﾞﾌﾟﾍﾍﾞﾍﾟﾎﾎﾞﾎﾟ"
    "ﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝｳﾞ";
// Every half-width kana followed by a mark.
constexpr char kVoiced[] =
    "ｦﾞｧﾞｨﾞｩﾞｪﾞｫﾞｬﾞｭﾞｮﾞｯﾞｱﾞｲﾞｳﾞｴﾞｵﾞｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾅﾞﾆﾞﾇﾞﾈﾞﾉﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾏﾞﾐﾞﾑﾞﾒﾞﾓﾞﾔﾞﾕﾞﾖﾞﾗﾞﾘﾞﾙﾞﾚﾞﾛﾞﾜﾞﾝﾞ";
constexpr char kSemiVoiced[] =
    "ｦﾟｧﾟｨﾟｩﾟｪﾟｫﾟｬﾟｭﾟｮﾟｯﾟｱﾟｲﾟｳﾟｴﾟｵﾟｶﾟｷﾟｸﾟｹﾟｺﾟｻﾟｼﾟｽﾟｾﾟｿﾟﾀﾟﾁﾟﾂﾟﾃﾟﾄﾟﾅﾟﾆﾟﾇﾟﾈﾟﾉﾟﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟﾏﾟﾐﾟﾑﾟﾒﾟﾓﾟﾔﾟﾕﾟﾖﾟﾗﾟﾘﾟﾙﾟﾚﾟﾛﾟﾜﾟﾝﾟ";

const Line kLines[] = {
    {"Letters", Opts({&O::ProcessAlphabet}),
     "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ",
     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", true, true},
    {"Digits", Opts({&O::ProcessNumber}), "０１２３４５６７８９", "0123456789", true, true},
    {"SpaceAndPunctuation", Opts({&O::ProcessSpace, &O::ProcessPunct}),
     "　，．：；？！＾＿／～｜‘’”（）［］｛｝＋－＝＜＞￥＄％＃＆＊＠", " ,.:;?!^_/~|`'\"()[]{}+-=<>\\$%#&*@", true, true},
    {"JapanesePunctuation", Opts({&O::ProcessJPPunct}), "「」。、・ー゛゜", "｢｣｡､･ｰﾞﾟ", true, true},
    {"ImpossibleReverse", Opts({&O::ProcessImpossibleReverse}), "“", "\"", true, false},
    {"Katakana", Opts({&O::ProcessKatakana}), kKatakana, kKatakanaHalf, true, true},
    {"Hiragana", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}),
     "をぁぃぅぇぉゃゅょっあいうえおかがきぎくぐけげこごさざしじすずせぜそぞただちぢつづてでとどなにぬねのはばぱひびぴふぶぷ"
     "へべぺほぼぽまみむめもやゆよらりるれろわん",
     "ｦｧｨｩｪｫｬｭｮｯｱｲｳｴｵｶｶﾞｷｷﾞｸｸﾞｹｹﾞｺｺﾞｻｻﾞｼｼﾞｽｽﾞｾｾﾞｿｿﾞﾀﾀﾞﾁﾁﾞﾂﾂﾞﾃﾃﾞﾄﾄﾞﾅﾆﾇﾈﾉﾊﾊﾞﾊﾟﾋﾋﾞﾋﾟﾌﾌﾞﾌﾟﾍﾍﾞﾍﾟﾎﾎﾞﾎﾟ"
     "ﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ",
     true, true},
    {"KatakanaVoicedJoins", Opts({&O::ProcessKatakana}),
     "ヲﾞァﾞィﾞゥﾞェﾞォﾞャﾞュﾞョﾞッﾞアﾞイﾞヴエﾞオﾞガギグゲゴザジズゼゾダヂヅデドナﾞニﾞヌﾞネﾞノﾞバビブベボ"
     "マﾞミﾞムﾞメﾞモﾞヤﾞユﾞヨﾞラﾞリﾞルﾞレﾞロﾞワﾞンﾞ",
     kVoiced, false, true},
    {"KatakanaSemiVoicedJoins", Opts({&O::ProcessKatakana}),
     "ヲﾟァﾟィﾟゥﾟェﾟォﾟャﾟュﾟョﾟッﾟアﾟイﾟウﾟエﾟオﾟカﾟキﾟクﾟケﾟコﾟサﾟシﾟスﾟセﾟソﾟタﾟチﾟツﾟテﾟトﾟ"
     "ナﾟニﾟヌﾟネﾟノﾟパピプペポマﾟミﾟムﾟメﾟモﾟヤﾟユﾟヨﾟラﾟリﾟルﾟレﾟロﾟワﾟンﾟ",
     kSemiVoiced, false, true},
    {"HiraganaVoicedJoins", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}),
     "をﾞぁﾞぃﾞぅﾞぇﾞぉﾞゃﾞゅﾞょﾞっﾞあﾞいﾞうﾞえﾞおﾞがぎぐげござじずぜぞだぢづでどなﾞにﾞぬﾞねﾞのﾞばびぶべぼ"
     "まﾞみﾞむﾞめﾞもﾞやﾞゆﾞよﾞらﾞりﾞるﾞれﾞろﾞわﾞんﾞ",
     kVoiced, false, true},
    {"HiraganaSemiVoicedJoins", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}),
     "をﾟぁﾟぃﾟぅﾟぇﾟぉﾟゃﾟゅﾟょﾟっﾟあﾟいﾟうﾟえﾟおﾟかﾟきﾟくﾟけﾟこﾟさﾟしﾟすﾟせﾟそﾟたﾟちﾟつﾟてﾟとﾟ"
     "なﾟにﾟぬﾟねﾟのﾟぱぴぷぺぽまﾟみﾟむﾟめﾟもﾟやﾟゆﾟよﾟらﾟりﾟるﾟれﾟろﾟわﾟんﾟ",
     kSemiVoiced, false, true},
    {"UnlistedStay",
     Opts({&O::ProcessAlphabet, &O::ProcessNumber, &O::ProcessSpace, &O::ProcessPunct, &O::ProcessJPPunct,
           &O::ProcessKatakana, &O::TransformHiraToKana, &O::ProcessImpossibleReverse}),
     "ヮヰヱヵヶゎゐゑ漢字〃仝々〆〇―‐＼", "ヮヰヱヵヶゎゐゑ漢字〃仝々〆〇―‐＼", true, true},
};

std::string Cp932(const char* utf8) {
  std::string out;
  EXPECT_TRUE(Utf8ToCp932(utf8, out, nullptr)) << utf8;
  return out;
}

class TableLineTest : public ::testing::TestWithParam<Line> {};

TEST_P(TableLineTest, ConvertsAsWrittenOut) {
  const Line& l = GetParam();
  O o = l.options;
  o.ExchangeZenHan = 1;
  if (l.toHalf) {
    EXPECT_EQ(Convert(o, Cp932(l.full)), Cp932(l.half));
  }
  o.ExchangeZenHan = 0;
  if (l.toFull) {
    EXPECT_EQ(Convert(o, Cp932(l.half)), Cp932(l.full));
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, TableLineTest, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

// With every entry checked above, exact counts leave no room for another.
TEST(TableLineTest, NoOtherEntries) {
  const std::pair<const char*, size_t> counts[] = {
      {AlphabetTable, 52},       {NumberTable, 10},          {SpaceTable, 1},          {PunctTable, 32},
      {JPPunctTable, 8},         {KatakanaTable, 81},        {KatakanaVoicedTable, 26}, {ImpossibleReverseTable, 1},
      {HiraganaTable, 80},       {HiraganaVoicedTable, 25},  {KatakanaJoinTable, 21},  {HiraganaJoinTable, 20}};
  for (const auto& [table, records] : counts) EXPECT_EQ(std::strlen(table), 3 * records) << table;
}

struct Case {
  const char* name;
  O options;
  std::string in;
  std::string out;
};

class ConvertTest : public ::testing::TestWithParam<Case> {};
TEST_P(ConvertTest, Converts) { EXPECT_EQ(Convert(GetParam().options, GetParam().in), GetParam().out); }

const Case kCases[] = {
    {"Empty", Opts({&O::ProcessAlphabet}), "", ""},
    {"LettersOffLeavesThem", Opts({&O::ProcessNumber}), "\x82\x60\x82\x4F", "\x82\x60" "0"},
    {"PunctRightQuote", Opts({&O::ProcessPunct}), "\x81\x68\x81\x67", "\"\x81\x67"},
    {"HalfWidthUnchanged", Opts({&O::ProcessKatakana, &O::ProcessSpace}), "\xB6\xDE" "A ", "\xB6\xDE" "A "},
    {"LoneLeadAtEnd", Opts({&O::ProcessAlphabet}), "\x82\x60\x82", "A\x82"},
    {"LeadBeforeTabIsAPair", Opts({&O::ProcessAlphabet}), "\x82\t\x82\x60", "\x82\tA"},
    // A lead byte never pairs across a line break.
    {"LeadBeforeLineBreak", Opts({&O::ProcessAlphabet}), "\x82\r\n\x60x", "\x82\r\n\x60x"},
    {"LeadBeforeQuotedLine", Opts({&O::ProcessAlphabet}), "\x82\n>\x82\x60\n\x82\x60", "\x82\n>\x82\x60\nA"},
    {"QuotedLinesKept", Opts({&O::ProcessAlphabet}),
     "\x82\x60\x82\x61\r\n\x81\x84\x82\x62\x82\x63\r\n\x81\x40\x81\x84\x82\x64\x82\x65\r\n\x82\x66\x82\x67",
     "AB\r\n\x81\x84\x82\x62\x82\x63\r\n\x81\x40\x81\x84\x82\x64\x82\x65\r\nGH"},
    {"QuotedLinesConvertedWithL", Opts({&O::ProcessAlphabet, &O::ProcessQuotedLine}), ">\x82\x60\n\x82\x60", ">A\nA"},
    {"BlankLineAfterQuoteAndLeadingBlanks", Opts({&O::ProcessAlphabet, &O::ProcessSpace}),
     " >\x82\x60\r\n\r\n\x81\x40\x82\x60", " >\x82\x60\r\n\r\n A"},
    {"TrailBytesAreNotMarks", Opts({&O::ProcessAlphabet}), "b\x82\x60\nF\x82\x60", "bA\nFA"},
    {"ToFullEmpty", Opts({&O::ProcessAlphabet}, false), "", ""},
    {"TypicalRun", Opts({&O::ProcessAlphabet, &O::ProcessKatakana, &O::ProcessJPPunct}, false),
     "\xC3\xBD\xC4 \xC3\xDE\xB0\xC0", "\x83\x65\x83\x58\x83\x67 \x83\x66\x81\x5B\x83\x5E"},  // ﾃｽﾄ ﾃﾞｰﾀ → テスト データ
    {"SecondMarkAlone", Opts({&O::ProcessKatakana, &O::ProcessJPPunct}, false), "\xB6\xDE\xDE", "\x83\x4B\x81\x4A"},
    {"NoConnectVoiced", Opts({&O::ProcessKatakana, &O::NoConnectVoiced, &O::ProcessJPPunct}, false), "\xB6\xDE",
     "\x83\x4A\x81\x4A"},
    {"KatakanaOffMarkConverted", Opts({&O::ProcessJPPunct}, false), "\xB6\xDE", "\xB6\x81\x4A"},
    {"DigitNeverTakesAMark", Opts({&O::ProcessNumber, &O::ProcessKatakana}, false), "1\xDE", "\x82\x50\xDE"},
    {"FullWidthKanaThenMark", Opts({&O::ProcessKatakana}, false), "\x83\x4A\xDE", "\x83\x4A\xDE"},
    {"ToFullLoneLeadAtEnd", Opts({&O::ProcessAlphabet}, false), "a\x82", "\x82\x81\x82"},
    {"LeadBeforeSpace", Opts({&O::ProcessSpace}, false), "\x82 ", "\x82\x81\x40"},
    {"ToFullQuotedLineKept", Opts({&O::ProcessAlphabet}, false), "a\r\n:a\r\na", "\x82\x81\r\n:a\r\n\x82\x81"},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QuoteMarkTest, ListSyntax) {
  const O letters = Opts({&O::ProcessAlphabet});
  EXPECT_EQ(Convert(letters, "\x81\x84\x82\x60", ">"), "\x81\x84" "A") << "only the half-width > listed";
  EXPECT_EQ(Convert(letters, "|\x82\x60\n \x82\x60", "> | :"), "|\x82\x60\n A") << "blanks are not marks";
  EXPECT_EQ(Convert(letters, ">\x82\x60", ""), ">A") << "an empty list quotes nothing";
}

TEST(QuoteMarkTest, LoadingAndSetting) {
  EXPECT_TRUE(QuoteMarkList().IsQuoteMark("\x81\x84", 0)) << "without a loader the default marks";
  static int loads = 0;
  QuoteMarkList list;
  // A loader that leaves no NUL loses its last byte.
  list.SetLoader(
      [](void*, char* buffer, size_t size) {
        ++loads;
        std::memset(buffer, ' ', size);
        buffer[size - 2] = '#';
        buffer[size - 1] = '>';
      },
      nullptr);
  EXPECT_TRUE(list.IsQuoteMark("#", 0));
  EXPECT_FALSE(list.IsQuoteMark(">", 0));
  EXPECT_EQ(loads, 1);
  list.Set(">");
  EXPECT_FALSE(list.IsQuoteMark("#", 0)) << "a shorter list replaces a longer one whole";
  QuoteMarkList zeroed;  // a loader is given a zeroed buffer
  zeroed.SetLoader([](void*, char* buffer, size_t) { buffer[0] = '#'; }, nullptr);
  EXPECT_FALSE(zeroed.IsQuoteMark("\x01", 0));
  list.Set(std::string(1023, ' ') + ">");
  EXPECT_FALSE(list.IsQuoteMark(">", 0)) << "1023 bytes at most";
}

// The builders on a table without records change nothing.
TEST(TableLineTest, EmptyTableChangesNothing) {
  uint8_t half[256] = {};
  uint16_t full[256] = {};
  BuildHalfMap(half, "");
  BuildFullMap(full, "");
  EXPECT_EQ(std::count(std::begin(half), std::end(half), 0) + std::count(std::begin(full), std::end(full), 0), 512);
}

}  // namespace
}  // namespace qv
