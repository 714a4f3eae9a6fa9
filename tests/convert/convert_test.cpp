#include "convert/convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "convert/tables.h"
#include "platform/text_encoding.h"

namespace qv {
namespace {

using O = ConversionOptions;

O Opts(std::initializer_list<uint8_t O::*> on) {
  O o;
  o.ProcessAlphabet = 0;
  for (auto m : on) o.*m = 1;
  return o;
}

// Readable text as code page 932.
std::string U(const char* utf8) {
  std::string out;
  return Utf8ToCp932(utf8, out, nullptr) ? out : "(not in code page 932)";
}

std::string Convert(O o, bool toHalf, const std::string& in, std::string_view marks = kDefaultQuoteMarks) {
  QuoteMarkList list;
  list.Set(marks);
  o.ExchangeZenHan = toHalf ? 1 : 0;
  std::vector<char> block(4 * (in.size() + 1), '\x55');
  std::memcpy(block.data(), in.c_str(), in.size() + 1);
  EXPECT_TRUE(toHalf ? ConvertToHalf(o, list, block.data()) : ConvertToFullInBlock(o, list, block.data(), in.size()));
  return block.data();
}

enum Direction { kToHalf = 1, kToFull = 2, kBoth = 3 };

// A full-width text and its half-width form, converted one way or both.
struct Case {
  const char* name;
  O options;
  std::string full;
  std::string half;
  int directions;
};

class ConvertTest : public ::testing::TestWithParam<Case> {};

TEST_P(ConvertTest, Converts) {
  const Case& c = GetParam();
  if (c.directions & kToHalf) {
    EXPECT_EQ(Convert(c.options, true, c.full), c.half);
  }
  if (c.directions & kToFull) {
    EXPECT_EQ(Convert(c.options, false, c.half), c.full);
  }
}

// Every entry of every table, against lines of every character of a class
// written out here.
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

const Case kCases[] = {
    {"Letters", Opts({&O::ProcessAlphabet}),
     U("ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ"),
     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", kBoth},
    {"Digits", Opts({&O::ProcessNumber}), U("０１２３４５６７８９"), "0123456789", kBoth},
    {"SpaceAndPunctuation", Opts({&O::ProcessSpace, &O::ProcessPunct}),
     U("　，．：；？！＾＿／～｜‘’”（）［］｛｝＋－＝＜＞￥＄％＃＆＊＠"), " ,.:;?!^_/~|`'\"()[]{}+-=<>\\$%#&*@", kBoth},
    {"JapanesePunctuation", Opts({&O::ProcessJPPunct}), U("「」。、・ー゛゜"), U("｢｣｡､･ｰﾞﾟ"), kBoth},
    {"ImpossibleReverse", Opts({&O::ProcessImpossibleReverse}), U("“"), "\"", kToHalf},
    {"Katakana", Opts({&O::ProcessKatakana}), U(kKatakana), U(kKatakanaHalf), kBoth},
    {"Hiragana", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}),
     U("をぁぃぅぇぉゃゅょっあいうえおかがきぎくぐけげこごさざしじすずせぜそぞただちぢつづてでとどなにぬねのはばぱひびぴふぶぷ"
       "へべぺほぼぽまみむめもやゆよらりるれろわん"),
     U("ｦｧｨｩｪｫｬｭｮｯｱｲｳｴｵｶｶﾞｷｷﾞｸｸﾞｹｹﾞｺｺﾞｻｻﾞｼｼﾞｽｽﾞｾｾﾞｿｿﾞﾀﾀﾞﾁﾁﾞﾂﾂﾞﾃﾃﾞﾄﾄﾞﾅﾆﾇﾈﾉﾊﾊﾞﾊﾟﾋﾋﾞﾋﾟﾌﾌﾞﾌﾟﾍﾍﾞﾍﾟﾎﾎﾞﾎﾟ"
       "ﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ"),
     kBoth},
    {"KatakanaVoicedJoins", Opts({&O::ProcessKatakana}),
     U("ヲﾞァﾞィﾞゥﾞェﾞォﾞャﾞュﾞョﾞッﾞアﾞイﾞヴエﾞオﾞガギグゲゴザジズゼゾダヂヅデドナﾞニﾞヌﾞネﾞノﾞバビブベボ"
       "マﾞミﾞムﾞメﾞモﾞヤﾞユﾞヨﾞラﾞリﾞルﾞレﾞロﾞワﾞンﾞ"),
     U(kVoiced), kToFull},
    {"KatakanaSemiVoicedJoins", Opts({&O::ProcessKatakana}),
     U("ヲﾟァﾟィﾟゥﾟェﾟォﾟャﾟュﾟョﾟッﾟアﾟイﾟウﾟエﾟオﾟカﾟキﾟクﾟケﾟコﾟサﾟシﾟスﾟセﾟソﾟタﾟチﾟツﾟテﾟトﾟ"
       "ナﾟニﾟヌﾟネﾟノﾟパピプペポマﾟミﾟムﾟメﾟモﾟヤﾟユﾟヨﾟラﾟリﾟルﾟレﾟロﾟワﾟンﾟ"),
     U(kSemiVoiced), kToFull},
    {"HiraganaVoicedJoins", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}),
     U("をﾞぁﾞぃﾞぅﾞぇﾞぉﾞゃﾞゅﾞょﾞっﾞあﾞいﾞうﾞえﾞおﾞがぎぐげござじずぜぞだぢづでどなﾞにﾞぬﾞねﾞのﾞばびぶべぼ"
       "まﾞみﾞむﾞめﾞもﾞやﾞゆﾞよﾞらﾞりﾞるﾞれﾞろﾞわﾞんﾞ"),
     U(kVoiced), kToFull},
    {"HiraganaSemiVoicedJoins", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}),
     U("をﾟぁﾟぃﾟぅﾟぇﾟぉﾟゃﾟゅﾟょﾟっﾟあﾟいﾟうﾟえﾟおﾟかﾟきﾟくﾟけﾟこﾟさﾟしﾟすﾟせﾟそﾟたﾟちﾟつﾟてﾟとﾟ"
       "なﾟにﾟぬﾟねﾟのﾟぱぴぷぺぽまﾟみﾟむﾟめﾟもﾟやﾟゆﾟよﾟらﾟりﾟるﾟれﾟろﾟわﾟんﾟ"),
     U(kSemiVoiced), kToFull},
    {"UnlistedStay",
     Opts({&O::ProcessAlphabet, &O::ProcessNumber, &O::ProcessSpace, &O::ProcessPunct, &O::ProcessJPPunct,
           &O::ProcessKatakana, &O::TransformHiraToKana, &O::ProcessImpossibleReverse}),
     U("ヮヰヱヵヶゎゐゑ漢字〃仝々〆〇―‐＼"), U("ヮヰヱヵヶゎゐゑ漢字〃仝々〆〇―‐＼"), kBoth},
    {"Empty", Opts({&O::ProcessAlphabet}), "", "", kBoth},
    {"LettersOffLeavesThem", Opts({&O::ProcessNumber}), "\x82\x60\x82\x4F", "\x82\x60" "0", kToHalf},
    {"PunctRightQuote", Opts({&O::ProcessPunct}), "\x81\x68\x81\x67", "\"\x81\x67", kToHalf},
    {"HalfWidthUnchanged", Opts({&O::ProcessKatakana, &O::ProcessSpace}), "\xB6\xDE" "A ", "\xB6\xDE" "A ", kToHalf},
    {"LoneLeadAtEnd", Opts({&O::ProcessAlphabet}), "\x82\x60\x82", "A\x82", kToHalf},
    {"LeadBeforeTabIsAPair", Opts({&O::ProcessAlphabet}), "\x82\t\x82\x60", "\x82\tA", kToHalf},
    {"QuotedLinesConvertedWithL", Opts({&O::ProcessAlphabet, &O::ProcessQuotedLine}), ">\x82\x60\n\x82\x60", ">A\nA",
     kToHalf},
    {"SecondMarkAlone", Opts({&O::ProcessKatakana, &O::ProcessJPPunct}), "\x83\x4B\x81\x4A", "\xB6\xDE\xDE", kToFull},
    {"NoConnectVoiced", Opts({&O::ProcessKatakana, &O::NoConnectVoiced, &O::ProcessJPPunct}), "\x83\x4A\x81\x4A",
     "\xB6\xDE", kToFull},
    {"KatakanaOffMarkConverted", Opts({&O::ProcessJPPunct}), "\xB6\x81\x4A", "\xB6\xDE", kToFull},
    {"DigitNeverTakesAMark", Opts({&O::ProcessNumber, &O::ProcessKatakana}), "\x82\x50\xDE", "1\xDE", kToFull},
    {"FullWidthKanaThenMark", Opts({&O::ProcessKatakana}), "\x83\x4A\xDE", "\x83\x4A\xDE", kToFull},
    {"ToFullLoneLeadAtEnd", Opts({&O::ProcessAlphabet}), "\x82\x81\x82", "a\x82", kToFull},
    {"LeadBeforeSpace", Opts({&O::ProcessSpace}), "\x82\x81\x40", "\x82 ", kToFull},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// With every entry checked above, exact counts leave no room for another.
TEST(ConvertTest, NoOtherTableEntries) {
  const std::pair<const char*, size_t> counts[] = {
      {AlphabetTable, 52},       {NumberTable, 10},          {SpaceTable, 1},          {PunctTable, 32},
      {JPPunctTable, 8},         {KatakanaTable, 81},        {KatakanaVoicedTable, 26}, {ImpossibleReverseTable, 1},
      {HiraganaTable, 80},       {HiraganaVoicedTable, 25},  {KatakanaJoinTable, 21},  {HiraganaJoinTable, 20}};
  for (const auto& [table, records] : counts) EXPECT_EQ(std::strlen(table), 3 * records) << table;
  uint16_t none[256] = {};
  BuildFullMap(none, "");  // a table without records: nothing read past its end
  EXPECT_EQ(none[0], 0);
}

// The full-width block is addressed with 32-bit positions.
TEST(ConvertTest, FullBlockSizeLimit) {
  size_t bytes = 0;
  EXPECT_TRUE(FullBlockSize(UINT32_MAX / 4 - 1, &bytes));
  EXPECT_EQ(bytes, UINT32_MAX - 3);
  EXPECT_FALSE(FullBlockSize(UINT32_MAX / 4, &bytes));
}

// Marks come from a loader once, at their first use; Set replaces them.
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
  QuoteMarkList zeroed;  // a loader that writes nothing past its value relies on a zeroed buffer
  zeroed.SetLoader([](void*, char* buffer, size_t) { buffer[0] = '#'; }, nullptr);
  EXPECT_FALSE(zeroed.IsQuoteMark("\x01", 0));
  list.Set(std::string(1023, ' ') + ">");
  EXPECT_FALSE(list.IsQuoteMark(">", 0)) << "1023 bytes at most";
  EXPECT_FALSE(list.IsQuoteMark(" ", 0)) << "blanks are no marks";
}

}  // namespace
}  // namespace qv
