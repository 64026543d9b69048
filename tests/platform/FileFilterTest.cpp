#include "platform/FileFilter.h"

#include <gtest/gtest.h>

namespace tsl::platform {
namespace {

TEST(FileFilter, EntriesBecomeQtFiltersWithTheirRealPatterns) {
    struct Row {
        const char* filter;
        QStringList expected;
    };
    const Row rows[] = {
        {"Bitmap Files (*.bmp)|*.bmp||", {"Bitmap Files (*.bmp)"}},
        {"All Files (.*)|*.*||", {"All Files (*.*)"}},
        {"Image Files|*.gif;*.tif;*.jpg|", {"Image Files (*.gif *.tif *.jpg)"}},
        {"A|*.a|B (x)|*.b;*.c||", {"A (*.a)", "B (*.b *.c)"}},
        {"", {}},
        {"No patterns", {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ToQtFilters(QString::fromLatin1(row.filter)), row.expected) << row.filter;
}

} // namespace
} // namespace tsl::platform
