// The whole program as a widget test starts it: the window set of the real start-up, a recorder
// in place of the desktop's boxes and dialogs, and the settings file in a private folder.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "app/application_windows.h"
#include "tests/support/recording_desktop.h"
#include "ui/windows/adding.h"

class TestProgram {
 public:
  // `ini` is the settings file's content before start-up; empty means no file.
  explicit TestProgram(const std::string& ini = {})
      : path(folder.filePath(QStringLiteral("Tallymate.ini"))) {
    if (!ini.empty()) WriteFile(ini);
    // The only copy, whatever else runs on the machine.
    windows_ = std::make_unique<ApplicationWindows>(
        desktop, [](QWidget&) { return false; }, path.toStdString());
    EXPECT_TRUE(windows_->CreateMainWindow());
    windows_->ShowMainAndCreateOthers();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&main()));
  }
  TestProgram(const TestProgram&) = delete;
  TestProgram& operator=(const TestProgram&) = delete;

  TForm1& main() const { return windows_->Main(); }
  WindowSet& windows() const { return windows_->Context().windows; }
  ApplicationWindows& window_set() const { return *windows_; }

  void WriteFile(const std::string& content) const {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content.data(), static_cast<qint64>(content.size()));
  }
  std::string ReadFile() const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
  }

  RecordingDesktop desktop;
  QTemporaryDir folder;
  const QString path;  // the settings file

 private:
  // Destroyed first, as the program destroys its windows before anything else ends.
  std::unique_ptr<ApplicationWindows> windows_;
};
