#pragma once
// What every widget test starts with: the offscreen platform (or the Xvfb server for tests
// labelled x11), a fixed style and palette, temporary XDG and home folders, and per test a
// fresh temporary program folder, fresh scripted platform services (profile in memory, Tip of
// the Day off) and an empty settings store. No test touches the user's files.

#include "platform/CoreBridge.h"
#include "platform/Scripted.h"

#include <QString>

namespace tsl::test {

struct TestEnvironment {
    QString root;          // temporary folder of this test process
    QString programFolder; // empty temporary program folder of the current test, with '/'
    platform::ScriptedPlatform* platform = nullptr;
    platform::CoreBridge* bridge = nullptr;
};

// The environment of the running test.
TestEnvironment& Env();
inline platform::ScriptedPlatform& Script() { return *Env().platform; }

// A new empty folder below the test's temporary folder.
QString MakeTempFolder(const QString& name);
// Writes text to a file, creating folders as needed; returns the path.
QString WriteFile(const QString& path, const QByteArray& bytes);

} // namespace tsl::test
