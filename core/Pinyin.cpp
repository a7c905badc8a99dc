#include "core/Pinyin.h"

#include "framework/TextConvert.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace
{

// The first-level characters of GB2312 are ordered by reading, so each
// syllable covers one run of consecutive codes.  The runs include the unused
// codes between two rows of the code page (trail bytes 0xFF to 0xA0).
struct PinyinRun {
    const char* syllable;
    int count;
};

const PinyinRun kRuns[] = {
    {"a", 2},      {"ai", 13},    {"an", 9},    {"ang", 3},     {"ao", 9},      {"ba", 18},     {"bai", 8},
    {"ban", 15},   {"bang", 12},  {"bao", 179}, {"bei", 15},    {"ben", 4},     {"beng", 6},    {"bi", 24},
    {"bian", 12},  {"biao", 4},   {"bie", 4},   {"bin", 6},     {"bing", 171},  {"bo", 21},     {"bu", 9},
    {"ca", 1},     {"cai", 11},   {"can", 7},   {"cang", 5},    {"cao", 5},     {"ce", 5},      {"ceng", 2},
    {"cha", 11},   {"chai", 3},   {"chan", 10}, {"chang", 175}, {"chao", 9},    {"che", 6},     {"chen", 10},
    {"cheng", 15}, {"chi", 16},   {"chong", 5}, {"chou", 12},   {"chu", 178},   {"chuai", 1},   {"chuan", 7},
    {"chuang", 6}, {"chui", 5},   {"chun", 7},  {"chuo", 2},    {"ci", 12},     {"cong", 6},    {"cou", 1},
    {"cu", 4},     {"cuan", 3},   {"cui", 8},   {"cun", 3},     {"cuo", 6},     {"da", 6},      {"dai", 174},
    {"dan", 15},   {"dang", 5},   {"dao", 12},  {"de", 3},      {"deng", 7},    {"di", 19},     {"dian", 16},
    {"diao", 9},   {"die", 169},  {"ding", 9},  {"diu", 1},     {"dong", 10},   {"dou", 7},     {"du", 15},
    {"duan", 6},   {"dui", 4},    {"dun", 9},   {"duo", 12},    {"e", 13},      {"en", 1},      {"er", 170},
    {"fa", 8},     {"fan", 17},   {"fang", 11}, {"fei", 12},    {"fen", 15},    {"feng", 15},   {"fo", 1},
    {"fou", 1},    {"fu", 207},   {"ga", 2},    {"gai", 6},     {"gan", 11},    {"gang", 9},    {"gao", 10},
    {"ge", 17},    {"gei", 1},    {"gen", 2},   {"geng", 169},  {"gong", 15},   {"gou", 9},     {"gu", 18},
    {"gua", 6},    {"guai", 3},   {"guan", 11}, {"guang", 3},   {"gui", 16},    {"gun", 3},     {"guo", 6},
    {"ha", 163},   {"hai", 7},    {"han", 19},  {"hang", 3},    {"hao", 9},     {"he", 18},     {"hei", 2},
    {"hen", 4},    {"heng", 5},   {"hong", 9},  {"hou", 7},     {"hu", 180},    {"hua", 9},     {"huai", 5},
    {"huan", 14},  {"huang", 14}, {"hui", 21},  {"hun", 6},     {"huo", 10},    {"ji", 215},    {"jia", 17},
    {"jian", 202}, {"jiang", 13}, {"jiao", 28}, {"jie", 27},    {"jin", 182},   {"jing", 25},   {"jiong", 2},
    {"jiu", 17},   {"ju", 25},    {"juan", 7},  {"jue", 10},    {"jun", 173},   {"ka", 4},      {"kai", 5},
    {"kan", 6},    {"kang", 7},   {"kao", 4},   {"ke", 15},     {"ken", 4},     {"keng", 2},    {"kong", 4},
    {"kou", 4},    {"ku", 7},     {"kua", 5},   {"kuai", 4},    {"kuan", 2},    {"kuang", 8},   {"kui", 173},
    {"kun", 4},    {"kuo", 4},    {"la", 7},    {"lai", 3},     {"lan", 15},    {"lang", 7},    {"lao", 9},
    {"le", 2},     {"lei", 11},   {"leng", 3},  {"li", 196},    {"lia", 1},     {"lian", 14},   {"liang", 11},
    {"liao", 13},  {"lie", 5},    {"lin", 12},  {"ling", 14},   {"liu", 11},    {"long", 171},  {"lou", 6},
    {"lu", 20},    {"lv", 14},    {"luan", 6},  {"lue", 2},     {"lun", 7},     {"luo", 12},    {"ma", 9},
    {"mai", 6},    {"man", 171},  {"mang", 6},  {"mao", 12},    {"me", 1},      {"mei", 16},    {"men", 3},
    {"meng", 8},   {"mi", 14},    {"mian", 9},  {"miao", 8},    {"mie", 2},     {"min", 6},     {"ming", 6},
    {"miu", 1},    {"mo", 179},   {"mou", 3},   {"mu", 15},     {"na", 7},      {"nai", 5},     {"nan", 3},
    {"nang", 1},   {"nao", 5},    {"ne", 1},    {"nei", 2},     {"nen", 1},     {"neng", 1},    {"ni", 11},
    {"nian", 7},   {"niang", 2},  {"niao", 2},  {"nie", 7},     {"nin", 1},     {"ning", 168},  {"niu", 4},
    {"nong", 4},   {"nu", 3},     {"nv", 1},    {"nuan", 1},    {"nue", 2},     {"nuo", 4},     {"o", 1},
    {"ou", 7},     {"pa", 6},     {"pai", 6},   {"pan", 8},     {"pang", 5},    {"pao", 7},     {"pei", 9},
    {"pen", 2},    {"peng", 14},  {"pi", 179},  {"pian", 4},    {"piao", 4},    {"pie", 2},     {"pin", 5},
    {"ping", 9},   {"po", 9},     {"pu", 15},   {"qi", 36},     {"qia", 165},   {"qian", 22},   {"qiang", 8},
    {"qiao", 15},  {"qie", 5},    {"qin", 11},  {"qing", 13},   {"qiong", 2},   {"qiu", 8},     {"qu", 175},
    {"quan", 11},  {"que", 8},    {"qun", 2},   {"ran", 4},     {"rang", 5},    {"rao", 3},     {"re", 2},
    {"ren", 10},   {"reng", 2},   {"ri", 1},    {"rong", 10},   {"rou", 3},     {"ru", 10},     {"ruan", 2},
    {"rui", 3},    {"run", 2},    {"ruo", 2},   {"sa", 3},      {"sai", 4},     {"san", 166},   {"sang", 3},
    {"sao", 4},    {"se", 3},     {"sen", 1},   {"seng", 1},    {"sha", 9},     {"shai", 2},    {"shan", 16},
    {"shang", 8},  {"shao", 11},  {"she", 12},  {"shen", 16},   {"sheng", 173}, {"shi", 47},    {"shou", 10},
    {"shu", 195},  {"shua", 2},   {"shuai", 4}, {"shuan", 2},   {"shuang", 3},  {"shui", 4},    {"shun", 4},
    {"shuo", 4},   {"si", 16},    {"song", 8},  {"sou", 3},     {"su", 13},     {"suan", 3},    {"sui", 11},
    {"sun", 3},    {"suo", 8},    {"ta", 171},  {"tai", 9},     {"tan", 18},    {"tang", 13},   {"tao", 11},
    {"te", 1},     {"teng", 4},   {"ti", 15},   {"tian", 8},    {"tiao", 5},    {"tie", 3},     {"ting", 172},
    {"tong", 13},  {"tou", 4},    {"tu", 11},   {"tuan", 2},    {"tui", 6},     {"tun", 3},     {"tuo", 11},
    {"wa", 7},     {"wai", 2},    {"wan", 17},  {"wang", 10},   {"wei", 195},   {"wen", 10},    {"weng", 3},
    {"wo", 9},     {"wu", 29},    {"xi", 197},  {"xia", 13},    {"xian", 26},   {"xiang", 20},  {"xiao", 180},
    {"xie", 21},   {"xin", 10},   {"xing", 15}, {"xiong", 7},   {"xiu", 9},     {"xu", 19},     {"xuan", 172},
    {"xue", 6},    {"xun", 14},   {"ya", 16},   {"yan", 33},    {"yang", 17},   {"yao", 177},   {"ye", 15},
    {"yi", 53},    {"yin", 178},  {"ying", 18}, {"yo", 1},      {"yong", 15},   {"you", 21},    {"yu", 206},
    {"yuan", 20},  {"yue", 10},   {"yun", 12},  {"za", 3},      {"zai", 7},     {"zan", 4},     {"zang", 3},
    {"zao", 14},   {"ze", 4},     {"zei", 1},   {"zen", 1},     {"zeng", 4},    {"zha", 176},   {"zhai", 6},
    {"zhan", 17},  {"zhang", 15}, {"zhao", 10}, {"zhe", 10},    {"zhen", 16},   {"zheng", 177}, {"zhi", 43},
    {"zhong", 11}, {"zhou", 14},  {"zhu", 188}, {"zhua", 2},    {"zhuai", 1},   {"zhuan", 6},   {"zhuang", 7},
    {"zhui", 6},   {"zhun", 2},   {"zhuo", 11}, {"zi", 15},     {"zong", 7},    {"zou", 4},     {"zu", 8},
    {"zuan", 2},   {"zui", 4},    {"zun", 2},   {"zuo", 8},
};

const int kFirstCode = 0xB0A1; // 啊
const int kLastCode = 0xD7F9;  // 座
const char kDroppedCharacters[] = ",.\"!@?:*&^%$~";

std::vector<std::string> BuildTable()
{
    std::vector<std::string> table(0xFFFF);
    int code = kFirstCode;
    for (const PinyinRun& run : kRuns) {
        for (int i = 0; i < run.count && code <= kLastCode; i++)
            table[code++] = run.syllable;
    }
    return table;
}

// The table lives on the heap and is freed only by FreePinyinTable: at exit
// the program skips that while a worker may still convert, and no static
// destructor frees it behind the program's back.
std::mutex g_tableMutex;
std::atomic<const std::vector<std::string>*> g_table{nullptr};
// Once built, only InitPinyinTable builds the table again.
std::atomic<bool> g_built{false};

const std::vector<std::string>* Table()
{
    // The first conversion builds the table when start-up did not.
    if (!g_built.load())
        InitPinyinTable();
    return g_table.load();
}

} // namespace

void InitPinyinTable()
{
    std::lock_guard<std::mutex> lock(g_tableMutex);
    if (!g_table.load())
        g_table.store(new std::vector<std::string>(BuildTable()));
    g_built.store(true);
}

void FreePinyinTable()
{
    std::lock_guard<std::mutex> lock(g_tableMutex);
    delete g_table.exchange(nullptr);
}

CString ConvertToPinyin(const CString& text)
{
    const std::vector<std::string>* table = Table(); // null once freed
    CString trimmed = text;
    trimmed.Trim();
    // Characters code page 936 can't hold become '?', which is dropped.
    CStringA bytes = WideToMultiByte(936, trimmed, trimmed.GetLength());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.GetString());
    const int length = bytes.GetLength();

    std::wstring result;
    for (int i = 0; i < length;) {
        if (p[i] == 0x80 || p[i] == 0xFF) {
            // Single bytes in code page 936 (0x80 is the euro sign); read as
            // lead bytes they would swallow the character after them.
            i++;
        } else if (p[i] > 0x80) {
            int code = i + 1 < length ? p[i] * 256 + p[i + 1] : 0;
            if (code >= kFirstCode && code <= kLastCode && table) {
                const std::string& syllable = (*table)[code];
                result.append(syllable.begin(), syllable.end());
            }
            i += 2;
        } else {
            if (!std::strchr(kDroppedCharacters, p[i]))
                result += static_cast<wchar_t>(p[i]);
            i++;
        }
    }
    return CString(std::move(result));
}
