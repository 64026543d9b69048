// Replays every drawing case of tests/data/gdi/INDEX.tsv (the text cases excepted: see
// RasterTextTest.cpp) through CRasterDC on a 64x48 bitmap of the case's depth and colour table,
// and demands the reference file's pixel bytes exactly: palette indices, not only colours.
// The calls column is a small language (FillRect({0,0,65,49},GetStockObject(WHITE_BRUSH));
// SelectObject(CreatePen(PS_SOLID,3,RGB(255,0,0))); ...) which is parsed here; the return
// values the results column lists for SetPixel and ExtFloodFill are checked as well.

#include "paint/Raster.h"

#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace tsl;

namespace {

const std::string kGdiFolder = (testkit::TestData() / "gdi/").string();

struct ReplayCase {
    std::string name; // <case>_<depth>bpp
    std::string file;
    int depth = 0;
    std::string calls;
    std::string results;
    std::string error; // the index could not be read
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

std::vector<ReplayCase> LoadCases() {
    std::ifstream in(kGdiFolder + "INDEX.tsv");
    std::vector<ReplayCase> cases;
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> f = Split(line, '\t');
        if (f.size() < 6 || f[1].rfind("text_", 0) == 0) continue;
        ReplayCase c;
        c.file = f[0];
        c.depth = std::stoi(f[2]);
        c.name = f[1] + "_" + f[2] + "bpp";
        c.calls = f[5];
        c.results = f.size() > 6 ? f[6] : std::string();
        cases.push_back(c);
    }
    if (cases.size() < 300)
        cases.push_back(
            {"index_unreadable", "", 0, "", "", "too few cases in " + kGdiFolder + "INDEX.tsv"});
    return cases;
}

// One term of the calls language: a number, a name, a call name(args), a braced list {args},
// a string, optionally followed by "=term" (GetPixel(5,5)=RGB(255,255,255)).
struct Term {
    std::string name;
    long long number = 0;
    bool isNumber = false;
    bool isCall = false;
    std::vector<Term> args;
    std::vector<Term> stated; // the value after '=', if any
};

class CallParser {
public:
    explicit CallParser(const std::string& text) : m_text(text) {}

    // The calls, separated by ';'.
    std::vector<Term> Calls() {
        std::vector<Term> calls;
        for (Skip(); m_at < m_text.size(); Skip()) {
            calls.push_back(Parse());
            Skip();
            if (m_at < m_text.size() && !Eat(';')) Fail("';' expected");
        }
        return calls;
    }
    const std::string& Error() const { return m_error; }

private:
    Term Parse() {
        Term t;
        Skip();
        if (m_at >= m_text.size()) {
            Fail("term expected");
            return t;
        }
        const char c = m_text[m_at];
        if (c == '{') {
            ++m_at;
            t.name = "{}";
            t.args = List('}');
        } else if (c == '"') {
            const std::size_t end = m_text.find('"', m_at + 1);
            if (end == std::string::npos) {
                Fail("unterminated string");
                return t;
            }
            t.name = m_text.substr(m_at + 1, end - m_at - 1);
            m_at = end + 1;
        } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t used = 0;
            t.number = std::stoll(m_text.substr(m_at), &used);
            t.isNumber = true;
            m_at += used;
        } else {
            while (m_at < m_text.size() &&
                   (std::isalnum(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '_' ||
                    m_text[m_at] == '|'))
                t.name += m_text[m_at++];
            if (t.name.empty()) {
                Fail("unexpected character");
                return t;
            }
            if (Eat('(')) {
                t.isCall = true;
                t.args = List(')');
            }
        }
        if (Eat('=')) t.stated.push_back(Parse());
        return t;
    }
    std::vector<Term> List(char close) {
        std::vector<Term> items;
        Skip();
        if (Eat(close)) return items;
        do
            items.push_back(Parse());
        while (Eat(','));
        if (!Eat(close)) Fail(std::string("'") + close + "' expected");
        return items;
    }
    bool Eat(char c) {
        Skip();
        if (m_at >= m_text.size() || m_text[m_at] != c) return false;
        ++m_at;
        return true;
    }
    void Skip() {
        while (m_at < m_text.size() && m_text[m_at] == ' ')
            ++m_at;
    }
    void Fail(const std::string& what) {
        if (m_error.empty()) m_error = what + " at " + std::to_string(m_at) + " in: " + m_text;
        m_at = m_text.size();
    }

    const std::string& m_text;
    std::size_t m_at = 0;
    std::string m_error;
};

std::string Describe(const Term& t) {
    if (t.isNumber) return std::to_string(t.number);
    std::string s = t.name;
    if (!t.isCall) return s;
    s += '(';
    for (std::size_t i = 0; i < t.args.size(); ++i)
        s += (i ? "," : "") + Describe(t.args[i]);
    return s + ')';
}

std::string ColourText(COLORREF c) {
    if (c == CLR_INVALID) return "CLR_INVALID";
    return "RGB(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c)) + ")";
}

// Runs the calls on a device context and writes the results in the index's notation.
class Replayer {
public:
    explicit Replayer(CRasterDC& dc) : m_dc(dc) {}

    void Run(const Term& call) {
        const std::string& f = call.name;
        if (f == "FillRect" && Arity(call, 2)) {
            m_dc.FillRect({Int(call.args[0], 0), Int(call.args[0], 1), Int(call.args[0], 2),
                           Int(call.args[0], 3)},
                          BrushOf(call.args[1]).colour);
        } else if (f == "SelectObject" && Arity(call, 1)) {
            const Term& object = call.args[0];
            const std::string kind = object.args.empty() ? "" : object.args[0].name;
            if (object.name == "CreatePen" && kind == "PS_SOLID")
                m_dc.SelectPen({PenStyle::Solid, Int(object, 1), Colour(object.args[2])});
            else if (object.name == "GetStockObject" && kind == "NULL_PEN")
                m_dc.SelectPen({PenStyle::Null, 1, 0});
            else
                m_dc.SelectBrush(BrushOf(object));
        } else if (f == "MoveToEx" && Arity(call, 3)) {
            m_dc.MoveTo(Int(call, 0), Int(call, 1));
        } else if (f == "LineTo" && Arity(call, 2)) {
            m_dc.LineTo(Int(call, 0), Int(call, 1));
        } else if (f == "SetPixel" && Arity(call, 3)) {
            const COLORREF set = m_dc.SetPixel(Int(call, 0), Int(call, 1), Colour(call.args[2]));
            m_results["SetPixel(" + std::to_string(Int(call, 0)) + "," +
                      std::to_string(Int(call, 1)) + ")"] = ColourText(set);
        } else if ((f == "Rectangle" || f == "Ellipse") && Arity(call, 4)) {
            const int l = Int(call, 0), t = Int(call, 1), r = Int(call, 2), b = Int(call, 3);
            if (f == "Rectangle")
                m_dc.Rectangle(l, t, r, b);
            else
                m_dc.Ellipse(l, t, r, b);
        } else if (f == "RoundRect" && Arity(call, 6)) {
            m_dc.RoundRect(Int(call, 0), Int(call, 1), Int(call, 2), Int(call, 3), Int(call, 4),
                           Int(call, 5));
        } else if (f == "ExtFloodFill" && Arity(call, 4) && call.args[2].name == "GetPixel" &&
                   call.args[3].name == "FLOODFILLSURFACE") {
            const Term& get = call.args[2];
            const COLORREF surface = m_dc.GetPixel(Int(get, 0), Int(get, 1));
            if (!get.stated.empty()) {
                EXPECT_EQ(ColourText(surface), ColourText(Colour(get.stated[0])));
            }
            m_results["ExtFloodFill"] =
                m_dc.ExtFloodFill(Int(call, 0), Int(call, 1), surface) ? "1" : "0";
        } else {
            ADD_FAILURE() << "call not replayed: " << Describe(call);
        }
    }
    // What the calls returned, by call: "SetPixel(10,10)" -> "RGB(255,0,0)".
    const std::map<std::string, std::string>& Results() const { return m_results; }

private:
    bool Arity(const Term& call, std::size_t n) {
        if (call.args.size() == n) return true;
        ADD_FAILURE() << "wrong argument count: " << Describe(call);
        return false;
    }
    int Int(const Term& call, std::size_t i) {
        if (i < call.args.size() && call.args[i].isNumber)
            return static_cast<int>(call.args[i].number);
        ADD_FAILURE() << "number expected as argument " << i << " of " << Describe(call);
        return 0;
    }
    COLORREF Colour(const Term& t) {
        if (t.name == "RGB" && t.args.size() == 3) return RGB(Int(t, 0), Int(t, 1), Int(t, 2));
        ADD_FAILURE() << "colour expected: " << Describe(t);
        return 0;
    }
    CBrush BrushOf(const Term& t) {
        const std::string stock = t.args.empty() ? "" : t.args[0].name;
        if (t.name == "CreateSolidBrush") return {BrushStyle::Solid, Colour(t.args.at(0))};
        if (t.name == "GetStockObject" && stock == "NULL_BRUSH") return {BrushStyle::Null, 0};
        if (t.name == "GetStockObject" && stock == "WHITE_BRUSH")
            return {BrushStyle::Solid, RGB(255, 255, 255)};
        if (t.name == "GetStockObject" && stock == "BLACK_BRUSH") return {BrushStyle::Solid, 0};
        ADD_FAILURE() << "brush expected: " << Describe(t);
        return {};
    }

    CRasterDC& m_dc;
    std::map<std::string, std::string> m_results;
};

// "(x,y) got 0x.. want 0x.." for the first few pixels that differ, and how many do.
std::string PixelDiff(const CSurface& got, const CSurface& want) {
    const CRasterDC a(got), b(want);
    std::ostringstream out;
    int count = 0;
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x) {
            const std::uint32_t g = a.PixelValue(x, y), w = b.PixelValue(x, y);
            if (g == w) continue;
            if (++count <= 8)
                out << " (" << x << "," << y << ") got 0x" << std::hex << g << " want 0x" << w
                    << std::dec << ";";
        }
    return std::to_string(count) + " pixels differ:" + out.str();
}

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const ReplayCase& c, std::ostream* out) {
    *out << c.file;
}

class RasterReplayTest : public testing::TestWithParam<ReplayCase> {};

TEST_P(RasterReplayTest, MatchesReference) {
    const ReplayCase& c = GetParam();
    ASSERT_TRUE(c.error.empty()) << c.error;
    std::string error;
    std::optional<testkit::ReferenceBmp> reference =
        testkit::ReadReferenceBmp(kGdiFolder + c.file, error);
    ASSERT_TRUE(reference) << error;
    testkit::ReferenceBmp& ref = *reference;
    ASSERT_EQ(ref.depth, c.depth);

    std::vector<std::uint8_t> bits(ref.bits.size(), 0);
    const CSurface surface{bits.data(),
                           ref.width,
                           ref.height,
                           ref.depth,
                           ref.stride,
                           ref.table.data(),
                           static_cast<int>(ref.table.size())};
    CRasterDC dc(surface);
    CallParser parser(c.calls);
    const std::vector<Term> calls = parser.Calls();
    ASSERT_TRUE(parser.Error().empty()) << parser.Error();
    Replayer replayer(dc);
    for (const Term& call : calls)
        replayer.Run(call);

    const CSurface wanted{ref.bits.data(),
                          ref.width,
                          ref.height,
                          ref.depth,
                          ref.stride,
                          ref.table.data(),
                          static_cast<int>(ref.table.size())};
    EXPECT_TRUE(std::memcmp(bits.data(), ref.bits.data(), bits.size()) == 0)
        << PixelDiff(surface, wanted);

    // Return values: "SetPixel(x,y)->RGB(r,g,b)" and "ExtFloodFill->1". Outside the bitmap the
    // reference's GDI returns the colour; ours returns CLR_INVALID as the documented GDI does.
    for (std::string entry : Split(c.results, ';')) {
        entry.erase(0, entry.find_first_not_of(' '));
        const std::size_t arrow = entry.find("->");
        if (arrow == std::string::npos) continue;
        const std::string call = entry.substr(0, arrow);
        std::string expected = entry.substr(arrow + 2);
        if (call.rfind("SetPixel(", 0) == 0) {
            int x = 0, y = 0;
            std::sscanf(call.c_str(), "SetPixel(%d,%d)", &x, &y);
            if (x < 0 || y < 0 || x >= ref.width || y >= ref.height) expected = "CLR_INVALID";
        } else if (call != "ExtFloodFill") {
            continue;
        }
        const auto got = replayer.Results().find(call);
        ASSERT_NE(got, replayer.Results().end()) << call << " was not called";
        EXPECT_EQ(got->second, expected) << call;
    }
}

INSTANTIATE_TEST_SUITE_P(Gdi, RasterReplayTest, testing::ValuesIn(LoadCases()),
                         [](const testing::TestParamInfo<ReplayCase>& row) {
                             return row.param.name;
                         });

} // namespace
