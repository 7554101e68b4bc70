// The built-in word lists: what the program uses when a word-list file beside it is missing or short.
#include "app/wordlists.h"

namespace app::builtin {

const QStringList& PageNumberModes() {
    static const QStringList list = {"&p", "- &p -", "第&p页", "&P"};
    return list;
}

const QStringList& InstrumentNames() {
    static const QStringList list = {
        // 0..7 pianos
        "大钢琴", "亮音钢琴", "电子大钢琴", "酒吧钢琴", "电钢琴1", "电钢琴2", "羽管键琴", "击弦古钢琴",
        // 8..15 chromatic percussion
        "钢片琴", "钟琴", "八音盒", "颤音琴", "马林巴", "木琴", "管钟", "扬琴",
        // 16..23 organs
        "击杆风琴", "打击式风琴", "摇滚风琴", "教堂管风琴", "簧风琴", "手风琴", "口琴", "探戈手风琴",
        // 24..31 guitars
        "尼龙弦吉他", "钢弦吉他", "爵士电吉他", "清音电吉他", "闷音电吉他", "过载吉他", "失真吉他", "吉他泛音",
        // 32..39 basses
        "原声贝司", "指弹电贝司", "拨片电贝司", "无品贝司", "击弦贝司1", "击弦贝司2", "合成贝司1", "合成贝司2",
        // 40..47 strings
        "小提琴", "中提琴", "大提琴", "低音提琴", "弦乐震音", "弦乐拨奏", "竖琴", "定音鼓",
        // 48..55 ensembles
        "弦乐合奏1", "弦乐合奏2", "合成弦乐1", "合成弦乐2", "人声合唱啊", "人声嘟", "合成人声", "乐队齐奏",
        // 56..63 brass
        "小号", "长号", "大号", "弱音小号", "圆号", "铜管组", "合成铜管1", "合成铜管2",
        // 64..71 reeds
        "高音萨克斯", "中音萨克斯", "次中音萨克斯", "上低音萨克斯", "双簧管", "英国管", "大管", "单簧管",
        // 72..79 pipes
        "短笛", "长笛", "竖笛", "排箫", "吹瓶", "尺八", "口哨", "陶笛",
        // 80..87 synth leads
        "方波主音", "锯齿波主音", "汽笛风琴主音", "吹管主音", "吉他主音", "人声主音", "五度主音", "贝司主音",
        // 88..95 synth pads
        "新世纪背景", "温暖背景", "复音背景", "合唱背景", "弓弦背景", "金属背景", "光环背景", "扫弦背景",
        // 96..103 synth effects
        "雨声", "音轨", "水晶", "大气", "明亮", "精灵", "回声", "科幻",
        // 104..111 ethnic
        "西塔琴", "班卓琴", "三味线", "筝", "卡林巴", "风笛", "古提琴", "唢呐",
        // 112..119 percussive
        "叮当铃", "阿哥哥鼓", "钢鼓", "木鱼", "太鼓", "旋律鼓", "合成鼓", "反向镲",
        // 120..127 sound effects
        "吉他换把杂音", "呼吸声", "海浪声", "鸟鸣", "电话铃", "直升机", "掌声", "枪声",
    };
    return list;
}

const QStringList& TimeSignatures() {
    static const QStringList list = {"2/4", "3/4", "4/4", "2/2", "3/8", "6/8", "9/8", "12/8"};
    return list;
}

const QStringList& Expressions() {
    static const QStringList list = {"渐强", "渐弱", "渐快", "渐慢", "稍慢", "回原速", "自由地", "连贯地"};
    return list;
}

const std::vector<Paper>& PaperSizes() {
    static const std::vector<Paper> list = {{"A4", 210, 297}, {"A5", 148, 210}, {"B5", 182, 257}};
    return list;
}

}  // namespace app::builtin
