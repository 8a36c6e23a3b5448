#include "bridge/LazarusPackage.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace bridge {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPackageFiles[] = {"edgetucker_ide.lpk", "edgetucker_ide.pas", "edgetuckeride.pas"};

std::optional<std::string> ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteText(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

int RunProgram(const std::string& program, const std::vector<std::string>& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedChannels);
  QStringList list;
  for (const std::string& a : args) list << QString::fromStdString(a);
  p.start(QString::fromStdString(program), list);
  if (!p.waitForStarted(10000)) return -1;
  p.waitForFinished(-1);
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

std::string FindLazbuild() {
  const QString onPath = QStandardPaths::findExecutable(QStringLiteral("lazbuild"));
  if (!onPath.isEmpty()) return onPath.toStdString();
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/usr/lib/lazarus", ec))
    if (fs::exists(e.path() / "lazbuild")) found.push_back(e.path() / "lazbuild");
  if (found.empty()) return std::string();
  std::sort(found.begin(), found.end());  // the newest version last (2.2.6 before 3.0)
  return found.back().string();
}

void Defaults(LazarusSetup& s) {
  if (!s.run) s.run = &RunProgram;
  if (!s.say) s.say = [](const std::string& line) { std::cout << line << std::endl; };
  if (s.config.empty()) s.config = DefaultLazarusConfig();
  if (s.lazbuild.empty()) s.lazbuild = FindLazbuild();
}

bool NeedLazbuild(const LazarusSetup& s) {
  if (!s.lazbuild.empty()) return true;
  s.say("edgetucker-bridge: lazbuild was not found (install Lazarus: apt-get install lazarus; lazbuild comes with it)");
  return false;
}

// Where lazbuild put the IDE it built: the configuration's bin/ when it could
// not write the Lazarus directory, else that directory.
std::string BuiltIde(const std::string& config, fs::file_time_type since) {
  std::error_code ec;
  const fs::path own = fs::path(config) / "bin" / "lazarus";
  if (fs::exists(own, ec) && fs::last_write_time(own, ec) >= since) return own.string();
  return "the Lazarus directory named in " + (fs::path(config) / "environmentoptions.xml").string();
}

int RebuildIde(const LazarusSetup& s, const std::string& why) {
  s.say("Rebuilding the IDE " + why + " (" + s.lazbuild + " --pcp=" + s.config + " --build-ide=; some minutes)...");
  const auto start = fs::file_time_type::clock::now();
  const int rc = s.run(s.lazbuild, {"--pcp=" + s.config, "--build-ide="});
  if (rc != 0) {
    s.say("edgetucker-bridge: lazbuild could not rebuild the IDE (status " + std::to_string(rc) + "); see its output above");
    return 1;
  }
  s.say("The IDE was rebuilt: " + BuiltIde(s.config, start - std::chrono::seconds(2)) + ".");
  return 0;
}

}  // namespace

std::string DefaultLazarusConfig() {
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.lazarus";
}

std::string BridgeProgramInclude(const std::string& program) {
  std::string quoted;
  for (char c : program) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return "// Written by edgetucker-bridge --install-lazarus-package: the bridge this\n"
         "// package runs.\n"
         "const\n"
         "  BridgeProgram = '" +
         quoted + "';\n";
}

std::optional<std::string> WithoutInstalledPackage(const std::string& xml, const std::string& name) {
  const QString text = QString::fromStdString(xml);
  static const QRegularExpression list(
      QStringLiteral("(<StaticAutoInstallPackages\\b[^>]*?)(/>|>(.*?)</StaticAutoInstallPackages>)"),
      QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch m = list.match(text);
  if (!m.hasMatch()) return std::nullopt;
  static const QRegularExpression item(QStringLiteral("<Item\\d+\\s+Value=\"([^\"]*)\"\\s*/>"));
  QStringList kept;
  bool found = false;
  for (auto it = item.globalMatch(m.captured(3)); it.hasNext();) {
    const QString value = it.next().captured(1);
    if (value.compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
      found = true;
    else
      kept << value;
  }
  if (!found) return std::nullopt;
  // The indentation Lazarus writes: the list's own, and two more for its items.
  const qsizetype lineStart = text.lastIndexOf(u'\n', m.capturedStart()) + 1;
  const QString indent = text.mid(lineStart, m.capturedStart() - lineStart);
  QString out;
  if (kept.isEmpty()) {
    out = QStringLiteral("<StaticAutoInstallPackages/>");
  } else {
    out = QStringLiteral("<StaticAutoInstallPackages Count=\"%1\">\n").arg(kept.size());
    for (int i = 0; i < kept.size(); ++i)
      out += indent + QStringLiteral("  <Item%1 Value=\"%2\"/>\n").arg(i + 1).arg(kept[i]);
    out += indent + QStringLiteral("</StaticAutoInstallPackages>");
  }
  QString result = text;
  result.replace(m.capturedStart(), m.capturedLength(), out);
  return result.toStdString();
}

namespace {

QString XmlUnescaped(QString v) {
  v.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
  v.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
  v.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
  v.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
  v.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
  return v;
}

}  // namespace

std::optional<std::string> WithoutPackageLink(const std::string& xml, const std::string& name,
                                              const std::string& lpkFile) {
  const QString text = QString::fromStdString(xml);
  static const QRegularExpression list(QStringLiteral("<UserPkgLinks\\b([^>]*?)(/>|>(.*?)</UserPkgLinks>)"),
                                       QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch m = list.match(text);
  if (!m.hasMatch() || m.capturedStart(3) < 0) return std::nullopt;
  // Each link with the white space before it, so that a removed one leaves
  // no empty line and the kept ones their indentation.
  static const QRegularExpression item(QStringLiteral("(\\s*)<Item(\\d+)>(.*?)</Item\\2>"),
                                       QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression linkName(QStringLiteral("<Name\\s+Value=\"([^\"]*)\"\\s*/>"));
  static const QRegularExpression linkFile(QStringLiteral("<Filename\\s+Value=\"([^\"]*)\"\\s*/>"));
  const QString body = m.captured(3);
  const fs::path ours = fs::path(lpkFile).lexically_normal();
  QString kept;
  int count = 0;
  bool found = false;
  qsizetype end = 0;
  for (auto it = item.globalMatch(body); it.hasNext();) {
    const QRegularExpressionMatch link = it.next();
    const QString inner = link.captured(3);
    const QRegularExpressionMatch n = linkName.match(inner);
    const QRegularExpressionMatch f = linkFile.match(inner);
    end = link.capturedEnd();
    if (n.hasMatch() && f.hasMatch() &&
        XmlUnescaped(n.captured(1)).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0 &&
        fs::path(XmlUnescaped(f.captured(1)).toStdString()).lexically_normal() == ours) {
      found = true;
      continue;
    }
    ++count;
    kept += link.captured(1) + QStringLiteral("<Item%1>").arg(count) + inner + QStringLiteral("</Item%1>").arg(count);
  }
  if (!found) return std::nullopt;
  // Lazarus leaves the count out when it is 0 and writes it after the version.
  static const QRegularExpression countAttribute(QStringLiteral("\\s+Count=\"[^\"]*\""));
  QString attributes = m.captured(1);
  attributes.remove(countAttribute);
  const QString out = count == 0 ? QStringLiteral("<UserPkgLinks%1/>").arg(attributes)
                                 : QStringLiteral("<UserPkgLinks%1 Count=\"%2\">").arg(attributes).arg(count) +
                                       kept + body.mid(end) + QStringLiteral("</UserPkgLinks>");
  QString result = text;
  result.replace(m.capturedStart(), m.capturedLength(), out);
  return result.toStdString();
}

std::string FindPackageSource(const std::string& programDir, const std::string& installedDir) {
  std::error_code ec;
  for (const fs::path& dir : {fs::path(programDir) / "lazarus-package", fs::path(installedDir)})
    if (!dir.empty() && fs::exists(dir / "edgetucker_ide.lpk", ec)) return dir.string();
  return std::string();
}

int InstallLazarusPackage(LazarusSetup s) {
  Defaults(s);
  if (s.packageSource.empty()) {
    s.say("edgetucker-bridge: the Lazarus package's sources (edgetucker_ide.lpk) were not found");
    return 3;
  }
  if (!NeedLazbuild(s)) return 3;
  std::error_code ec;
  const fs::path dest = fs::path(s.config) / kLazarusPackageName;
  fs::create_directories(dest, ec);
  for (const char* f : kPackageFiles) {
    fs::copy_file(fs::path(s.packageSource) / f, dest / f, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      s.say("edgetucker-bridge: cannot copy " + (fs::path(s.packageSource) / f).string() + " to " + dest.string() +
            ": " + ec.message());
      return 3;
    }
  }
  if (!WriteText(dest / "bridgeprogram.inc", BridgeProgramInclude(s.bridge))) {
    s.say("edgetucker-bridge: cannot write " + (dest / "bridgeprogram.inc").string());
    return 3;
  }
  s.say("Copied the package's sources to " + dest.string() + " (it runs " + s.bridge + ").");
  const std::string lpk = (dest / "edgetucker_ide.lpk").string();
  s.say("Adding it to the IDE's installed packages (" + s.lazbuild + " --pcp=" + s.config + " --add-package " + lpk +
        ")...");
  if (const int rc = s.run(s.lazbuild, {"--pcp=" + s.config, "--add-package", lpk}); rc != 0) {
    s.say("edgetucker-bridge: lazbuild could not add the package (status " + std::to_string(rc) + ")");
    return 1;
  }
  if (const int rc = RebuildIde(s, "with it"); rc != 0) return rc;
  s.say("Done.  Start Lazarus again (with --pcp=" + s.config +
        " if that is not its default): Tools > Edgetucker 1.2d raises the panel, and the IDE tells the bridge of "
        "its projects and saves.");
  s.say("To undo: edgetucker-bridge --uninstall-lazarus-package" +
        (s.config == DefaultLazarusConfig() ? std::string() : " --pcp " + s.config));
  return 0;
}

int UninstallLazarusPackage(LazarusSetup s) {
  Defaults(s);
  const fs::path options = fs::path(s.config) / "miscellaneousoptions.xml";
  const fs::path dest = fs::path(s.config) / kLazarusPackageName;
  std::error_code ec;
  const std::optional<std::string> xml = ReadText(options);
  const std::optional<std::string> without = xml ? WithoutInstalledPackage(*xml, kLazarusPackageName) : std::nullopt;
  if (!without) {
    s.say("The IDE of " + s.config + " does not list " + kLazarusPackageName + " among its packages.");
  } else {
    if (!NeedLazbuild(s)) return 3;
    if (!WriteText(options, *without)) {
      s.say("edgetucker-bridge: cannot write " + options.string());
      return 3;
    }
    s.say("Took " + std::string(kLazarusPackageName) + " off the IDE's installed packages in " + options.string() + ".");
    if (const int rc = RebuildIde(s, "without it"); rc != 0) return rc;
  }
  // After the rebuild: lazbuild rewrites the links it read, ours among them.
  // Also when the list no longer held the package (taken out in the IDE's
  // own dialog, which leaves the link).
  const fs::path links = fs::path(s.config) / "packagefiles.xml";
  const std::optional<std::string> linksXml = ReadText(links);
  const std::optional<std::string> withoutLink =
      linksXml ? WithoutPackageLink(*linksXml, kLazarusPackageName,
                                    fs::absolute(dest / (std::string(kLazarusPackageName) + ".lpk"), ec).string())
               : std::nullopt;
  if (withoutLink) {
    if (!WriteText(links, *withoutLink)) {
      s.say("edgetucker-bridge: cannot write " + links.string());
      return 3;
    }
    s.say("Took the link to its copy out of " + links.string() + ".");
  }
  if (fs::exists(dest, ec)) {
    fs::remove_all(dest, ec);
    s.say("Removed " + dest.string() + ".");
  }
  s.say("Done: Lazarus is as it was before the package (start it again).");
  return 0;
}

}  // namespace bridge
