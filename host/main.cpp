// ide-host: the stand-in IDE.  See CommandLine.h for the options and Script.h
// for script mode.
#include <QApplication>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "host/CommandLine.h"
#include "host/HostApplication.h"
#include "host/IdeHost.h"
#include "host/Script.h"
#include "platform/Offscreen.h"

int main(int argc, char** argv) {
  // Started with standard input closed, the first file opened would become
  // it, and a script's hold would wait on that: it reads an empty input
  // instead.
  if (::fcntl(STDIN_FILENO, F_GETFD) == -1) ::open("/dev/null", O_RDONLY);
  std::vector<std::string> args(argv + 1, argv + argc);
  const host::CommandLineResult cl = host::ParseCommandLine(args);
  if (!cl.ok) {
    std::cerr << "ide-host: " << cl.error << "\n" << host::UsageText();
    return 2;
  }
  const host::HostOptions& opt = cl.options;
  if (opt.help) {
    std::cout << host::UsageText();
    return 0;
  }

  // A script that does not parse fails before anything is shown.
  host::ScriptParseResult script;
  if (!opt.script.empty()) {
    std::ifstream in(opt.script, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in) {
      std::cerr << "ide-host: cannot read script " << opt.script << std::endl;
      return 1;
    }
    script = host::ParseScript(text.str());
    if (!script.ok) {
      std::cerr << "FAIL line " << script.errorLine << ": " << script.expected << " / " << script.found
                << std::endl;
      return 1;
    }
  }

  if (opt.offscreen && platform::UseOffscreenScreen(opt.screenWidth, opt.screenHeight).empty()) {
    std::cerr << "ide-host: cannot write the virtual screen's configuration" << std::endl;
    return 1;
  }

  // The menu bar stays in the main window on every desktop (a global menu
  // service would take it out and change the window's layout); asking for
  // none also keeps Qt from starting a D-Bus connection to look for one.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  host::HostApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("ide-host"));

  int status = 0;
  {
    host::IdeHost ide;
    ide.ShowWindows();
    if (opt.useDefaultAddIn) ide.LoadAddIn(host::IdeHost::DefaultAddInPath());
    for (const std::string& path : opt.addIns) ide.LoadAddIn(path);
    ide.LoadDefaultDesktop();
    if (!opt.project.empty()) ide.OpenProject(opt.project);

    std::unique_ptr<host::ScriptRunner> runner;
    if (!opt.script.empty()) {
      runner = std::make_unique<host::ScriptRunner>(std::move(script.commands), ide, std::cout, std::cerr);
      runner->onFinished = [](int code) { QCoreApplication::exit(code); };
      runner->Start();
    }
    status = QApplication::exec();
    if (runner) status = runner->Finished() ? runner->ExitStatus() : 1;
    runner.reset();
    ide.Shutdown();
  }
  return status;
}
