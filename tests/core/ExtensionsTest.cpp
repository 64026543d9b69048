#include "core/Extensions.h"
#include "core/FormatTable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace tsl;

namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string_view::npos;
         start = at + 1)
        parts.emplace_back(text.substr(start, at - start));
    parts.emplace_back(text.substr(start));
    return parts;
}

// Every extension of the image list, in order.
std::vector<std::string> ListedExtensions() {
    const std::string& list = ImageExtensionList();
    std::string_view inner = std::string_view(list).substr(1, list.size() - 2);
    return Split(inner, ',');
}

// A filter in "Text|patterns|...|" form as (text, patterns) pairs; a trailing "|" after the
// last pair (the "||" end of a whole filter) is allowed. Fails the test on a malformed filter.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& filter) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<std::string> fields = Split(filter, '|');
    EXPECT_TRUE(!fields.empty() && fields.back().empty()) << "filter must end with '|': " << filter;
    fields.pop_back();
    if (!fields.empty() && fields.size() % 2 == 1 && fields.back().empty()) fields.pop_back();
    EXPECT_EQ(fields.size() % 2, 0u) << filter;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        EXPECT_FALSE(fields[i].empty()) << filter;
        EXPECT_FALSE(fields[i + 1].empty()) << filter;
        entries.emplace_back(fields[i], fields[i + 1]);
    }
    return entries;
}

// How often each extension occurs in "*.a;*.b" pattern lists.
std::map<std::string, int> CountPatterns(const std::vector<std::string>& patternLists) {
    std::map<std::string, int> count;
    for (const auto& list : patternLists)
        for (const auto& pattern : Split(list, ';')) {
            EXPECT_EQ(pattern.rfind("*.", 0), 0u) << pattern;
            ++count[pattern.substr(2)];
        }
    return count;
}

TEST(ExtensionsTest, IsImageFile) {
    const struct {
        const char* path;
        bool image;
    } cases[] = {
        {"PHOTO.JPG", true},
        {"/home/user/photo.jpeg", true},
        {"scan.Tif", true},
        {"logo.JBIG", true},
        {"a.cmp", true},
        {"photo.txt.png", true},
        {"/home/user/.gif", true}, // a dot file's whole name after the dot is its extension
        {"notes.txt", false},
        {"README", false},
        {"/home/user/.bashrc", false},
        {"name.", false},
        {"", false},
        {"photo.png.txt", false},
        {"/pictures.jpg/README", false}, // the folder's dot is not the file's extension
        {"/pictures.d/photo.png", true},
        {"photo.jpg/", false},
        // Parts of the list that are not whole extensions.
        {"a.jp", false},
        {"a.if", false},
        {"a.pc", false},
        {"a.g", false},
        {"a.gif,tif", false},
        {"a.,gif,", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsImageFile(c.path), c.image);
    }
    for (const auto& ext : ListedExtensions()) {
        SCOPED_TRACE(ext);
        EXPECT_TRUE(IsImageFile("/some/folder/file." + ext));
    }
}

TEST(ExtensionsTest, ExtensionAndDisplayName) {
    const struct {
        const char* path;
        const char* extension;
        const char* display;
    } cases[] = {
        {"/a/b/photo.jpg", "jpg", "photo.jpg"},
        {"/a/b/PHOTO.JPG", "JPG", "PHOTO.JPG"},
        {"/a/b/photo", "", "photo."},
        {"photo.", "", "photo."},
        {"", "", "."},
        {"/a/b/", "", "."},
        {"/a.b/photo", "", "photo."},
        {"archive.tar.gz", "gz", "archive.tar.gz"},
        {".bashrc", "bashrc", ".bashrc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExtensionOf(c.path), c.extension);
        EXPECT_EQ(DisplayName(c.path), c.display);
    }
}

TEST(ExtensionsTest, ImageFilesFilterHoldsEveryExtensionOnce) {
    auto entries = Entries(ImageFilesFilter());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].first, "Image Files");
    auto count = CountPatterns({entries[0].second});
    const auto listed = ListedExtensions();
    EXPECT_EQ(count.size(), listed.size());
    for (const auto& ext : listed)
        EXPECT_EQ(count[ext], 1) << ext;
}

TEST(ExtensionsTest, PerFormatFilterCoversTheListExactly) {
    auto entries = Entries(PerFormatFilter());
    std::vector<std::string> patternLists;
    for (const auto& [text, patterns] : entries) {
        // Each entry shows its own patterns in its text.
        EXPECT_NE(text.find("(" + patterns + ")"), std::string::npos) << text;
        patternLists.push_back(patterns);
    }
    auto count = CountPatterns(patternLists);
    const auto listed = ListedExtensions();
    EXPECT_EQ(count.size(), listed.size());
    for (const auto& ext : listed)
        EXPECT_EQ(count[ext], 1) << ext;
}

TEST(ExtensionsTest, FiltersJoinIntoOneDialogFilter) {
    EXPECT_EQ(AllFilesFilter(), "All Files (.*)|*.*||");
    // The open dialog's filter is the three strings in a row.
    auto entries = Entries(ImageFilesFilter() + PerFormatFilter() + AllFilesFilter());
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries.front().first, "Image Files");
    EXPECT_EQ(entries.back(), std::make_pair(std::string("All Files (.*)"), std::string("*.*")));
}

} // namespace
