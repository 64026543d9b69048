#include "core/SettingsFile.h"

#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tsl::COLORREF;
using tsl::CSettingsFile;
using tsl::RGB;

namespace {

CSettingsFile Parsed(const std::string& text) {
    CSettingsFile store;
    store.Parse(text);
    return store;
}

std::optional<std::string> Lookup(const CSettingsFile& store, const std::string& section,
                                  const std::string& key) {
    std::string value;
    if (!store.ReadString(section, key, value)) return std::nullopt;
    return value;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A string literal with its embedded NULs.
template <std::size_t N> std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// Each test gets an empty folder of its own, removed afterwards with the read-only folders a
// test made in it.
class SettingsFileTest : public tsl::testkit::TempDirTest {};
using tsl::testkit::Listing;

// --- The file format --------------------------------------------------------------------------

struct FormatCase {
    const char* what;
    std::string text;
    const char* section;
    std::string key;
    std::optional<std::string> value; // nullopt: the key must be missing
    int sectionKeys;                  // keys in that section; -1: the section must be missing
};

TEST_F(SettingsFileTest, ParsesTheLineFormat) {
    const FormatCase cases[] = {
        {"plain key", "[General]\nTitle=Tessaly\n", "General", "Title", "Tessaly", 1},
        {"lines are trimmed", "  \t[General]  \n\t Title=Tessaly \t\n", "General", "Title",
         "Tessaly", 1},
        {"empty lines skipped", "\n\n[General]\n\n\nTitle=x\n\n", "General", "Title", "x", 1},
        {"semicolon comment", "[General]\n;Title=x\n", "General", ";Title", std::nullopt, 0},
        {"blanks then semicolon is a comment", "[General]\n  \t;Title=x\n", "General", "  \t;Title",
         std::nullopt, 0},
        {"semicolon inside a value is kept", "[General]\nTitle=a;b\n", "General", "Title", "a;b",
         1},
        {"lines before the first section ignored", "Title=x\nloose\n[General]\n", "General",
         "Title", std::nullopt, 0},
        {"section without closing bracket", "[General\nTitle=x", "General", "Title", "x", 1},
        {"text after the closing bracket ignored", "[General] tail]\nTitle=x", "General", "Title",
         "x", 1},
        {"blanks inside brackets are part of the name", "[ General ]\nTitle=x", " General ",
         "Title", "x", 1},
        {"bracket later in a line is a value", "[General]\nTitle=[x]\n", "General", "Title", "[x]",
         1},
        {"line without = stored under its lower-cased self", "[General]\nHello World\n", "General",
         "hello world", "Hello World", 1},
        {"blank before = stays in the key", "[New]\nWidth = 640\n", "New", "Width ", " 640", 1},
        {"key without its blank is not found", "[New]\nWidth = 640\n", "New", "Width", std::nullopt,
         1},
        {"only the first = splits", "[General]\na=b=c\n", "General", "a", "b=c", 1},
        {"empty value", "[General]\nTitle=\n", "General", "Title", "", 1},
        {"empty key", "[General]\n=x\n", "General", "", "x", 1},
        {"section names are case-sensitive", "[general]\nTitle=x\n", "General", "Title",
         std::nullopt, -1},
        {"keys are case-sensitive", "[General]\ntitle=x\n", "General", "Title", std::nullopt, 1},
        {"last duplicate wins", "[General]\nTitle=a\nTitle=b\n", "General", "Title", "b", 1},
        {"a section read twice is merged", "[A]\nk=1\n[B]\nj=2\n[A]\nm=3\n", "A", "k", "1", 2},
        {"CR LF line ends", "[General]\r\nTitle=x\r\nWeb=y\r\n", "General", "Title", "x", 2},
        {"LF line ends", "[General]\nTitle=x\nWeb=y\n", "General", "Web", "y", 2},
        {"no newline at the end", "[General]\nTitle=x", "General", "Title", "x", 1},
        {"empty section name", "[]\nk=v\n", "", "k", "v", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsFile store = Parsed(c.text);
        EXPECT_EQ(Lookup(store, c.section, c.key), c.value);
        auto section = store.Map().find(c.section);
        if (c.sectionKeys < 0) {
            EXPECT_EQ(section, store.Map().end());
        } else {
            ASSERT_NE(section, store.Map().end());
            EXPECT_EQ(static_cast<int>(section->second.size()), c.sectionKeys);
        }
    }
}

TEST_F(SettingsFileTest, LinesBeforeAnySectionCreateNothing) {
    EXPECT_TRUE(Parsed("Title=x\nloose line\n;comment\n").Map().empty());
    EXPECT_TRUE(Parsed("").Map().empty());
}

// --- Integers ---------------------------------------------------------------------------------

TEST_F(SettingsFileTest, WritesIntegersTruncatedTo16Bits) {
    const struct {
        int written;
        const char* text;
    } cases[] = {
        {0, "0"},          {1, "1"},          {-1, "-1"},     {70000, "4464"},
        {32767, "32767"},  {32768, "-32768"}, {65535, "-1"},  {65536, "0"},
        {-32769, "32767"}, {INT_MAX, "-1"},   {INT_MIN, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        CSettingsFile store;
        store.WriteInt("New", "Width", c.written);
        EXPECT_EQ(Lookup(store, "New", "Width"), c.text);
    }
}

TEST_F(SettingsFileTest, ReadsIntegersTruncatedTo16Bits) {
    const struct {
        const char* text;
        int read;
    } cases[] = {
        {"4464", 4464},
        {"-1", -1},
        {"70000", 4464},
        {"32767", 32767},
        {"32768", -32768},
        {"65535", -1},
        {"-32769", 32767},
        {"+5", 5},
        {" 7", 7}, // a blank after '=' stays in the value and is skipped by the conversion
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"0x10", 0},
        {"-", 0},
        // Out-of-range numbers saturate to the int range before truncation.
        {"99999999999999999999999", -1},
        {"-99999999999999999999999", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CSettingsFile store = Parsed(std::string("[New]\nWidth=") + c.text + "\n");
        int value = 12345;
        ASSERT_TRUE(store.ReadInt("New", "Width", value));
        EXPECT_EQ(value, c.read);
    }
}

TEST_F(SettingsFileTest, MissingIntegerLeavesTheCallersDefault) {
    CSettingsFile store = Parsed("[New]\nHeight=5\n");
    int value = 640;
    EXPECT_FALSE(store.ReadInt("New", "Width", value));
    EXPECT_FALSE(store.ReadInt("Old", "Height", value));
    EXPECT_EQ(value, 640);
}

// --- Colours ----------------------------------------------------------------------------------

TEST_F(SettingsFileTest, WritesColoursAsThreeDecimals) {
    const struct {
        COLORREF colour;
        const char* text;
    } cases[] = {
        {RGB(64, 128, 255), "64,128,255"},
        {RGB(0, 0, 0), "0,0,0"},
        {RGB(255, 255, 255), "255,255,255"},
        {0x02FF8040u, "64,128,255"}, // the palette-index flag byte is not written
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CSettingsFile store;
        store.WriteColour("New", "Bgd", c.colour);
        EXPECT_EQ(Lookup(store, "New", "Bgd"), c.text);
    }
}

TEST_F(SettingsFileTest, ReadsColoursByParts) {
    const struct {
        const char* text;
        COLORREF colour;
    } cases[] = {
        {"64,128,255", RGB(64, 128, 255)},
        {" 64, 128 ,255", RGB(64, 128, 255)},
        {"64", RGB(64, 0, 0)},
        {"64,128", RGB(64, 128, 0)},
        {"64,128,", RGB(64, 128, 0)},
        {",,255", RGB(0, 0, 255)},
        {"", RGB(0, 0, 0)},
        {"red", RGB(0, 0, 0)},
        {"1,2,3,4", RGB(1, 2, 3)},
        // Out-of-range parts keep their low byte, so the value stays a 24-bit colour.
        {"256,300,-1", RGB(0, 44, 255)},
        {"99999999999,0,0", RGB(255, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CSettingsFile store = Parsed(std::string("[New]\nBgd=") + c.text + "\n");
        COLORREF colour = 0xDEADBEEF;
        ASSERT_TRUE(store.ReadColour("New", "Bgd", colour));
        EXPECT_EQ(colour, c.colour);
        EXPECT_EQ(colour & 0xFF000000u, 0u);
    }
}

TEST_F(SettingsFileTest, ColourRoundTripAndMissingColour) {
    CSettingsFile store;
    for (COLORREF c : {RGB(64, 128, 255), RGB(1, 2, 3), RGB(255, 0, 128)}) {
        store.WriteColour("New", "Bgd", c);
        COLORREF back = 0;
        ASSERT_TRUE(store.ReadColour("New", "Bgd", back));
        EXPECT_EQ(back, c);
    }
    COLORREF untouched = 0x00123456;
    EXPECT_FALSE(store.ReadColour("New", "Fgd", untouched));
    EXPECT_EQ(untouched, 0x00123456u);
}

// --- Strings ----------------------------------------------------------------------------------

TEST_F(SettingsFileTest, MultiLineOptionUsesBackquotes) {
    CSettingsFile store;
    store.WriteString("Show", "Text", "one\ntwo\n\nthree", true);
    EXPECT_EQ(Lookup(store, "Show", "Text"), "one`two``three");
    std::string value;
    ASSERT_TRUE(store.ReadString("Show", "Text", value, true));
    EXPECT_EQ(value, "one\ntwo\n\nthree");

    // A backquote in a file reads as a newline only with the option.
    CSettingsFile read = Parsed("[Show]\nText=a`b\n");
    ASSERT_TRUE(read.ReadString("Show", "Text", value, true));
    EXPECT_EQ(value, "a\nb");
    ASSERT_TRUE(read.ReadString("Show", "Text", value, false));
    EXPECT_EQ(value, "a`b");
}

TEST_F(SettingsFileTest, EmptyValueRemovesTheKey) {
    CSettingsFile store;
    store.WriteString("General", "Title", "x");
    store.WriteString("General", "Web", "y");
    store.WriteString("General", "Title", "");
    std::string value = "stale";
    EXPECT_FALSE(store.ReadString("General", "Title", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(Lookup(store, "General", "Web"), "y");

    // Removing from a section that does not exist creates nothing.
    store.WriteString("Nowhere", "Key", "");
    EXPECT_EQ(store.Map().count("Nowhere"), 0u);
}

TEST_F(SettingsFileTest, GeneralAndFolderReadersDefaultToEmpty) {
    CSettingsFile store = Parsed("[General]\nEmail=mailto:a@b\n[Dir]\nSound=/snd\n");
    EXPECT_EQ(store.ReadGeneral("Email"), "mailto:a@b");
    EXPECT_EQ(store.ReadGeneral("Web"), "");
    EXPECT_EQ(store.ReadFolder("Sound"), "/snd");
    EXPECT_EQ(store.ReadFolder("OpenSave"), "");
}

// --- Flags, loading and saving ----------------------------------------------------------------

TEST_F(SettingsFileTest, DirtyAndWritableFlags) {
    CSettingsFile store;
    EXPECT_FALSE(store.IsDirty());
    EXPECT_TRUE(store.IsWritable());

    const std::function<void(CSettingsFile&)> writers[] = {
        [](CSettingsFile& s) { s.WriteString("A", "k", "v"); },
        [](CSettingsFile& s) { s.WriteString("A", "k", ""); },
        [](CSettingsFile& s) { s.WriteInt("A", "k", 1); },
        [](CSettingsFile& s) { s.WriteColour("A", "k", 0); },
    };
    const fs::path file = m_dir / "Settings.ini";
    WriteAll(file, "[A]\nk=v\n");
    for (const auto& write : writers) {
        ASSERT_TRUE(store.Load(file.string()));
        EXPECT_FALSE(store.IsDirty());
        write(store);
        EXPECT_TRUE(store.IsDirty());
    }

    // Readers never mark the store dirty.
    ASSERT_TRUE(store.Load(file.string()));
    std::string s;
    int i = 0;
    COLORREF c = 0;
    store.ReadString("A", "k", s);
    store.ReadInt("A", "k", i);
    store.ReadColour("A", "k", c);
    store.ReadGeneral("k");
    store.ReadFolder("k");
    EXPECT_FALSE(store.IsDirty());
}

TEST_F(SettingsFileTest, SaveWritesOnlyWhenWritableAndDirty) {
    const fs::path file = m_dir / "Settings.ini";
    CSettingsFile store;
    store.SetPath(file.string());
    EXPECT_TRUE(store.Save()); // clean: nothing to write
    EXPECT_FALSE(fs::exists(file));

    store.WriteString("A", "k", "v");
    store.SetWritable(false);
    EXPECT_TRUE(store.Save());
    EXPECT_FALSE(fs::exists(file));

    store.SetWritable(true);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(ReadAll(file), "[A]\r\nk=v\r\n");
}

TEST_F(SettingsFileTest, SaveWritesCrLfInMapOrder) {
    const fs::path file = m_dir / "Settings.ini";
    // Read order differs from the map's order; comments and blank lines are not kept.
    WriteAll(file, "; header\n[New]\nWidth=640\nBgd=1,2,3\n\n[General]\nTitle=T\n");
    CSettingsFile store;
    ASSERT_TRUE(store.Load(file.string()));
    store.WriteString("Dir", "Sound", "/s");
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadAll(file), "[Dir]\r\nSound=/s\r\n"
                             "[General]\r\nTitle=T\r\n"
                             "[New]\r\nBgd=1,2,3\r\nWidth=640\r\n");
    EXPECT_EQ(Listing(m_dir), std::vector<std::string>{"Settings.ini"});
}

TEST_F(SettingsFileTest, SaveIntoMissingFolderFailsAndLeavesNothing) {
    const fs::path missing = m_dir / "missing";
    CSettingsFile store;
    store.SetPath((missing / "Settings.ini").string());
    store.WriteString("A", "k", "v");
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(Listing(m_dir).empty());

    CSettingsFile unnamed;
    unnamed.WriteString("A", "k", "v");
    EXPECT_FALSE(unnamed.Save());
}

TEST_F(SettingsFileTest, SaveOverAFolderFailsAndKeepsIt) {
    const fs::path target = m_dir / "Settings.ini";
    fs::create_directory(target);
    WriteAll(target / "inside", "keep");
    CSettingsFile store;
    store.SetPath(target.string());
    store.WriteString("A", "k", "v");
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(ReadAll(target / "inside"), "keep");
    EXPECT_EQ(Listing(m_dir), std::vector<std::string>{"Settings.ini"});
}

// A write that fails half-way (here: the file size limit, which binds root too) must leave the
// old file as it was and no temporary file behind.
TEST_F(SettingsFileTest, FailedWriteKeepsTheOldFile) {
    const fs::path file = m_dir / "Settings.ini";
    const std::string old = "[General]\r\nTitle=old\r\n";
    WriteAll(file, old);
    CSettingsFile store;
    ASSERT_TRUE(store.Load(file.string()));
    store.WriteString("General", "Title", std::string(256 * 1024, 'x'));

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool savedOk = store.Save();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(savedOk);
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(Listing(m_dir), std::vector<std::string>{"Settings.ini"});
}

TEST_F(SettingsFileTest, FailedCompressionKeepsTheOldFile) {
    const fs::path file = m_dir / "Settings.ini";
    WriteAll(file, "old");
    CSettingsFile store;
    store.SetPath(file.string());
    store.WriteString("A", "k", "v");
    // Without an installed compressor, and with one that fails, a compressed save fails.
    CSettingsFile::SetCompression(nullptr, nullptr);
    EXPECT_FALSE(store.Save(true));
    CSettingsFile::SetCompression([](const auto&, auto&) { return false; },
                                  [](const auto&, auto&) { return false; });
    EXPECT_FALSE(store.Save(true));
    EXPECT_FALSE(store.Load(file.string(), true));
    CSettingsFile::SetCompression(nullptr, nullptr);
    EXPECT_EQ(ReadAll(file), "old");
    EXPECT_EQ(Listing(m_dir), std::vector<std::string>{"Settings.ini"});
}

TEST_F(SettingsFileTest, CompressedModeRunsTheInstalledTransforms) {
    // Reversing the file stands in for the compressor: enough to show both directions run, on
    // temporary files that are gone afterwards.
    std::vector<std::string> seen;
    auto reverse = [&seen](const std::string& from, const std::string& to) {
        seen.push_back(from);
        seen.push_back(to);
        std::string bytes = ReadAll(from);
        WriteAll(to, std::string(bytes.rbegin(), bytes.rend()));
        return true;
    };
    CSettingsFile::SetCompression(reverse, reverse);
    const fs::path file = m_dir / "Settings.ini";
    CSettingsFile store;
    store.SetPath(file.string());
    store.WriteString("A", "k", "v");
    const bool saved = store.Save(true);
    CSettingsFile back;
    const bool loaded = back.Load(file.string(), true);
    CSettingsFile::SetCompression(nullptr, nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(ReadAll(file), "\n\rv=k\n\r]A[");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(back.Map(), store.Map());
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[2], file.string());
    for (const std::string& temp : {seen[0], seen[1], seen[3]})
        EXPECT_FALSE(fs::exists(temp)) << temp;
    EXPECT_EQ(Listing(m_dir), std::vector<std::string>{"Settings.ini"});
}

TEST_F(SettingsFileTest, SaveThenLoadGivesTheSameMap) {
    const fs::path file = m_dir / "Settings.ini";
    CSettingsFile store;
    store.SetPath(file.string());
    store.WriteInt("New", "Width", 70000);
    store.WriteInt("New", "Height", -1);
    store.WriteColour("New", "Bgd", RGB(64, 128, 255));
    store.WriteString("General", "Email", "mailto:someone@example.org");
    store.WriteString("General", "Address", "line 1\nline 2", true);
    store.WriteString("General", "Width ", " spaced");
    store.WriteString("Dir", "OpenSave", "/home/user/Pictures; and more = text");
    ASSERT_TRUE(store.Save());

    CSettingsFile back;
    ASSERT_TRUE(back.Load(file.string()));
    EXPECT_EQ(back.Map(), store.Map());
    int width = 0;
    ASSERT_TRUE(back.ReadInt("New", "Width", width));
    EXPECT_EQ(width, 4464);
    COLORREF bgd = 0;
    ASSERT_TRUE(back.ReadColour("New", "Bgd", bgd));
    EXPECT_EQ(bgd, RGB(64, 128, 255));
    std::string address;
    ASSERT_TRUE(back.ReadString("General", "Address", address, true));
    EXPECT_EQ(address, "line 1\nline 2");
}

TEST_F(SettingsFileTest, LoadAddsToTheMapAndOverwritesEqualKeys) {
    const fs::path file = m_dir / "Settings.ini";
    WriteAll(file, "[A]\nk=file\n[C]\nn=3\n");
    CSettingsFile store;
    store.WriteString("A", "k", "memory");
    store.WriteString("A", "j", "kept");
    ASSERT_TRUE(store.Load(file.string()));
    EXPECT_EQ(Lookup(store, "A", "k"), "file");
    EXPECT_EQ(Lookup(store, "A", "j"), "kept");
    EXPECT_EQ(Lookup(store, "C", "n"), "3");
    EXPECT_EQ(store.Path(), file.string());
}

TEST_F(SettingsFileTest, LoadFailsOnWhatIsNotAReadableFile) {
    CSettingsFile store;
    store.WriteString("A", "k", "v");
    EXPECT_FALSE(store.Load((m_dir / "absent.ini").string()));
    EXPECT_FALSE(store.Load(m_dir.string())); // a folder
    EXPECT_EQ(Lookup(store, "A", "k"), "v");
    EXPECT_TRUE(store.IsDirty());
}

TEST_F(SettingsFileTest, RememberedFolderIsSavedAtOnce) {
    const fs::path file = m_dir / "Settings.ini";
    WriteAll(file, "[General]\nFirstTimeUser=1\n");
    CSettingsFile store;
    ASSERT_TRUE(store.Load(file.string()));
    store.WriteFolder("OpenSave", "/home/user/Pictures");
    EXPECT_EQ(ReadAll(file), "[Dir]\r\nOpenSave=/home/user/Pictures\r\n"
                             "[General]\r\nFirstTimeUser=1\r\n");
    EXPECT_EQ(store.ReadFolder("OpenSave"), "/home/user/Pictures");

    CSettingsFile back;
    ASSERT_TRUE(back.Load(file.string()));
    EXPECT_EQ(back.ReadFolder("OpenSave"), "/home/user/Pictures");
}

// --- Bad input --------------------------------------------------------------------------------

TEST_F(SettingsFileTest, JunkNeverCrashesAndKeepsWhatItCan) {
    std::string allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += static_cast<char>(i);
    const struct {
        const char* what;
        std::string text;
        const char* section; // a key that must survive the junk (nullptr: none)
        const char* key;
        const char* value;
    } cases[] = {
        {"every byte value", allBytes + "\n[A]\nk=v\n" + allBytes, "A", "k", "v"},
        {"NULs inside names and values", Bytes("[A\0B]\nk\0=v\0w\n"), nullptr, nullptr, nullptr},
        {"NUL lines around good ones", Bytes("\0\n[A]\n\0\nk=v\n\0"), "A", "k", "v"},
        {"a very long line", "[A]\n" + std::string(1 << 20, 'z') + "=1\nk=v\n", "A", "k", "v"},
        {"a very long section name", "[" + std::string(1 << 20, 's') + "\n[A]\nk=v", "A", "k", "v"},
        {"no sections at all", "k=v\nbinary\x01\x02\x03\n", nullptr, nullptr, nullptr},
        {"only brackets", "[\n]\n[[\n]]\n[]]\n", nullptr, nullptr, nullptr},
        {"only line ends", "\r\r\n\n\r\n\r", nullptr, nullptr, nullptr},
        {"high bytes", "[\xff\xfe]\n\xc3\xa9=\xe2\x82\xac\n[A]\nk=v\n", "A", "k", "v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsFile store = Parsed(c.text);
        if (c.section) {
            EXPECT_EQ(Lookup(store, c.section, c.key), c.value);
        }
        // Whatever was read survives a save and a reload.
        CSettingsFile again = Parsed(store.Serialise());
        EXPECT_EQ(again.Map(), store.Map());
    }
    EXPECT_TRUE(Parsed("k=v\nbinary\x01\x02\x03\n").Map().empty());
    // NULs are ordinary characters of names and values.
    EXPECT_EQ(Lookup(Parsed(Bytes("[A\0B]\nk\0=v\0w\n")), Bytes("A\0B"), Bytes("k\0")),
              Bytes("v\0w"));
}

TEST_F(SettingsFileTest, LoadReadsBinaryFilesAndStopsAtTheSizeLimit) {
    const fs::path file = m_dir / "Settings.ini";
    std::string bytes = Bytes("[A]\nfirst=1\n\0\0\xff\n");
    bytes += std::string(CSettingsFile::kMaxFileSize - bytes.size() - 3, ';');
    bytes += "\n[B]\nlast=1\n"; // only "\n[B" lies within the limit
    WriteAll(file, bytes);
    CSettingsFile store;
    ASSERT_TRUE(store.Load(file.string()));
    EXPECT_EQ(Lookup(store, "A", "first"), "1");
    ASSERT_EQ(store.Map().count("B"), 1u);
    EXPECT_TRUE(store.Map().at("B").empty());
}

// --- Where the file lives ---------------------------------------------------------------------

// Runs fn with an ordinary user's rights and returns its result. Root passes every write
// permission check, so as root fn runs in a child process that drops to "nobody"; nullopt when
// that is impossible here.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& fn) {
    if (::geteuid() != 0) return fn();
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        ::close(fds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(77);
        const std::string result = fn();
        const bool ok =
            ::write(fds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(ok ? 0 : 1);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return result;
}

TEST_F(SettingsFileTest, WritableProgramFolderHoldsTheSettings) {
    const fs::path program = m_dir / "program";
    const fs::path user = m_dir / "user";
    fs::create_directory(program);
    EXPECT_EQ(tsl::ResolveSettingsPath(program.string() + "/", user.string()),
              (program / "Settings.ini").string());
    WriteAll(program / "Settings.ini", "[General]\n");
    EXPECT_EQ(tsl::ResolveSettingsPath(program.string() + "/", user.string()),
              (program / "Settings.ini").string());
    EXPECT_FALSE(fs::exists(user));
}

TEST_F(SettingsFileTest, MissingProgramFolderFallsBackToTheUserFolder) {
    const fs::path user = m_dir / "config" / "Orvane" / "Tessaly";
    EXPECT_EQ(tsl::ResolveSettingsPath((m_dir / "absent").string() + "/", user.string()),
              (user / "Settings.ini").string());
    EXPECT_TRUE(fs::is_directory(user));
    EXPECT_FALSE(fs::exists(user / "Settings.ini"));
}

TEST_F(SettingsFileTest, ReadOnlyProgramFolderCopiesTheShippedFileOnce) {
    const fs::path program = m_dir / "program";
    const fs::path users = m_dir / "users";
    const fs::path user = users / "Orvane" / "Tessaly";
    fs::create_directory(program);
    fs::create_directory(users);
    WriteAll(program / "Settings.ini", "[General]\r\nProduct=shipped\r\n");
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read |
                                 fs::perms::others_exec);
    fs::permissions(users, fs::perms::all); // the unprivileged user must create folders here

    auto resolve = [&] { return tsl::ResolveSettingsPath(program.string() + "/", user.string()); };
    auto first = RunUnprivileged(resolve);
    if (!first) GTEST_SKIP() << "running as root and cannot drop to an ordinary user";
    EXPECT_EQ(*first, (user / "Settings.ini").string());
    EXPECT_EQ(ReadAll(user / "Settings.ini"), "[General]\r\nProduct=shipped\r\n");

    // The user's own copy is never replaced by the shipped file again.
    WriteAll(user / "Settings.ini", "[General]\r\nProduct=mine\r\n");
    auto second = RunUnprivileged(resolve);
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, (user / "Settings.ini").string());
    EXPECT_EQ(ReadAll(user / "Settings.ini"), "[General]\r\nProduct=mine\r\n");
}

TEST_F(SettingsFileTest, ReadOnlyShippedFileMovesTheSettingsToTheUserFolder) {
    const fs::path program = m_dir / "program";
    const fs::path user = m_dir / "user";
    fs::create_directory(program);
    fs::permissions(m_dir, fs::perms::all);
    fs::permissions(program, fs::perms::all);
    WriteAll(program / "Settings.ini", "[General]\r\n");
    fs::permissions(program / "Settings.ini",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    auto result = RunUnprivileged(
        [&] { return tsl::ResolveSettingsPath(program.string() + "/", user.string()); });
    if (!result) GTEST_SKIP() << "running as root and cannot drop to an ordinary user";
    EXPECT_EQ(*result, (user / "Settings.ini").string());
    EXPECT_EQ(ReadAll(user / "Settings.ini"), "[General]\r\n");
}

} // namespace
