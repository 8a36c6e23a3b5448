// The ide-host executable as scripts and the end-to-end runner see it: its
// exit status and what it prints.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "tests/support/TestSupport.h"

namespace {

struct HostRun {
  int status = -1;
  std::string out;
  std::string err;
};

QString HostPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/ide-host"); }

HostRun RunHost(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("WINDIR"), QString::fromStdString(testing_support::WindowsDir()));
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(QString::fromStdString(testing_support::WindowsDir()));
  p.start(HostPath(), args);
  HostRun r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

TEST(HostProcess, ScriptResultsBecomeExitStatus) {
  if (!QFileInfo(HostPath()).isExecutable()) GTEST_SKIP() << "ide-host is not built";
  struct Row {
    const char* name;
    const char* script;
    int status;
    const char* out;
    const char* err;  // a line expected on standard error, or ""
  };
  const Row rows[] = {
      {"all pass", "print-rect TAppBuilder\nexpect-rect TPropertyInspector 10 110 210 510\n", 0,
       "TAppBuilder 0 0 640 100\n", ""},
      {"end without quit", "# nothing\n", 0, "", ""},
      {"failing expectation", "expect-visible TAppBuilder 1\nexpect-caption TAppBuilder other\nprint-rect TAppBuilder\n",
       1, "", "FAIL line 2: caption \"other\" / \"ide-host\"\n"},
      {"unknown command fails before anything runs", "print-rect TAppBuilder\n\nfrob 1 2\n", 1, "",
       "FAIL line 3: a command / \"frob 1 2\"\n"},
      {"bad arguments", "move TAppBuilder 1 2\n", 1, "", "FAIL line 1: move CLASS L T R B / \"move TAppBuilder 1 2\"\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string script =
        testing_support::WriteFile(testing_support::WindowsDir() + "/process.script", row.script);
    const HostRun r = RunHost({"--no-addin", "--offscreen", "640x480", "--script", QString::fromStdString(script)});
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(r.out, row.out);
    if (*row.err) {
      EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
  }
}

TEST(HostProcess, BadCommandLinesAndMissingAddInsAreReported) {
  if (!QFileInfo(HostPath()).isExecutable()) GTEST_SKIP() << "ide-host is not built";
  const HostRun bad = RunHost({"--offscreen", "wide"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("usage: ide-host"), std::string::npos);

  const HostRun missing = RunHost({"--script", "/nonexistent/x.script", "--no-addin"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot read script"), std::string::npos);

  // The IDE runs on without the add-in it could not load.
  const std::string script = testing_support::WriteFile(testing_support::WindowsDir() + "/noaddin.script",
                                                        "expect-visible TAppBuilder 1\nmenu Edgetucker 1.2d\n");
  const HostRun r = RunHost({"--addin", "/nonexistent/libnothing.so", "--offscreen", "800x600", "--script",
                             QString::fromStdString(script)});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot load add-in /nonexistent/libnothing.so"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("FAIL line 2: a Tools entry \"Edgetucker 1.2d\" / none"), std::string::npos) << r.err;
}

// hold lets a process that started the IDE keep it until it is done with it:
// the script goes on at a line on standard input, or at its end (the other
// process gone), and not before.
TEST(HostProcess, HoldGoesOnAtALineOrTheEndOfStandardInput) {
  if (!QFileInfo(HostPath()).isExecutable()) GTEST_SKIP() << "ide-host is not built";
  const std::string script = testing_support::WriteFile(
      testing_support::WindowsDir() + "/hold.script", "print-rect TAppBuilder\nhold\nprint-rect TPropertyInspector\n");
  for (const bool closeInput : {false, true}) {
    SCOPED_TRACE(closeInput ? "input ends" : "a line");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINDIR"), QString::fromStdString(testing_support::WindowsDir()));
    p.setProcessEnvironment(env);
    p.start(HostPath(), {"--no-addin", "--offscreen", "640x480", "--script", QString::fromStdString(script)});
    ASSERT_TRUE(p.waitForStarted(60000));
    std::string out;
    while (out.find('\n') == std::string::npos && p.waitForReadyRead(60000)) out += p.readAll().toStdString();
    ASSERT_EQ(out, "TAppBuilder 0 0 640 100\n");
    // Held: the next command waits for us, however long we take.
    EXPECT_FALSE(p.waitForFinished(300));
    out += p.readAll().toStdString();
    EXPECT_EQ(out, "TAppBuilder 0 0 640 100\n");
    if (closeInput)
      p.closeWriteChannel();
    else
      p.write("go\n");
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    out += p.readAll().toStdString();
    EXPECT_EQ(out, "TAppBuilder 0 0 640 100\nTPropertyInspector 10 110 210 510\n");
  }
}

}  // namespace
