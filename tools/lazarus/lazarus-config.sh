# lazarus-config.sh: a throw-away Lazarus configuration that opens straight into
# the IDE (no Welcome dialog), for scripts that start a real Lazarus.  Source it,
# then call prepare_lazarus with WORK (a folder of the run's own), LAZ_SYS (the
# installed Lazarus, /usr/lib/lazarus/<version>) and REPORT (a file that gets
# one line) set, and a function die MESSAGE that ends the run.  It makes
# $WORK/lazarus (the Lazarus directory), $WORK/config (the primary
# configuration, for --pcp), $WORK/secondary, $WORK/home, $WORK/fppkg.cfg.
#
# Lazarus shows its "Welcome" dialog whenever its directory, compiler, FPC
# sources, make, debugger or Fppkg configuration does not pass its checks.
# Debian's /usr/lib/lazarus/<version> is only complete with lazarus-src (ide/,
# the .lpk files) and lcl-units (packager/globallinks/, the links that tell the
# IDE where each package's .lpk file is), which installs without recommended
# packages leave out; without globallinks the directory is judged incomplete.
# Ours is a folder of symbolic links to the installed one with a real
# packager/ holding globallinks/*.lpl made from the .lpk files found, so it
# does not depend on which of those packages are there.  It is named in
# environmentoptions.xml with absolute paths of fpc, make and gdb and an
# fppkg.cfg of its own.  The configuration records the IDE's full version
# (from ide/version.inc), else the IDE first offers to convert it.
#
# The windows' places (frames under openbox, whose frame is 1, 1, 20, 5): the
# main bar at 0,0 across the 1280-pixel screen, the inspector at the left edge
# under it, the source editor to its right.
lpk_name() { sed -n 's/.*<Name Value="\([^"]*\)".*/\1/p' "$1" | head -n 1; }
lpk_version() {  # the package's own <Version Major=.. Minor=.. Release=.. Build=../>, missing parts 0
  local line
  line="$(grep -m 1 -E '<Version( (Major|Minor|Release|Build)="[0-9]+")+ */>' "$1")"
  local v=() k n
  for k in Major Minor Release Build; do
    n="$(sed -n "s/.* $k=\"\([0-9]*\)\".*/\1/p" <<<"$line")"
    v+=("${n:-0}")
  done
  echo "${v[0]}.${v[1]}.${v[2]}.${v[3]}"
}
prepare_lazarus() {
  local laz="$WORK/lazarus" cfg="$WORK/config" e
  mkdir -p "$laz/packager/globallinks" "$cfg" "$WORK/home" "$WORK/fppkg/config"
  for e in "$LAZ_SYS"/*; do
    [ "$(basename "$e")" = packager ] || ln -s "$e" "$laz/$(basename "$e")"
  done
  for e in "$LAZ_SYS"/packager/*; do
    [ "$(basename "$e")" = globallinks ] || ln -s "$e" "$laz/packager/$(basename "$e")"
  done
  [ -f "$laz/ide/lazarus.lpi" ] && [ -f "$laz/ide/version.inc" ] || die "$LAZ_SYS has no ide/lazarus.lpi or ide/version.inc (is lazarus-src installed?)"
  local lpk rel name count=0
  while IFS= read -r lpk; do
    rel="${lpk#"$LAZ_SYS"/}"
    name="$(lpk_name "$lpk")"
    [ -n "$name" ] || continue
    name="$(tr '[:upper:]' '[:lower:]' <<<"$name")"
    echo "\$(LazarusDir)/$rel" >"$laz/packager/globallinks/$name-$(lpk_version "$lpk").lpl"
    count=$((count + 1))
  done < <(find "$LAZ_SYS/components" "$LAZ_SYS/lcl" "$LAZ_SYS/packager" "$LAZ_SYS/ide" -name '*.lpk' \
             -not -path '*/test/*' -not -path '*/tests/*' -not -path '*/demo*' -not -path '*/example*' | sort)
  [ "$count" -gt 0 ] || die "no .lpk package files under $LAZ_SYS (is lazarus-src installed?)"
  local lazver
  lazver="$(head -n 1 "$laz/ide/version.inc" | tr -d "'\r")"

  local fpc make gdb fpcsrc
  fpc="$(command -v fpc)" || die "fpc not found"
  make="$(command -v make)" || die "make not found"
  gdb="$(command -v gdb)" || die "gdb not found"
  fpcsrc="$(ls -d /usr/share/fpcsrc/[0-9]* 2>/dev/null | sort -V | tail -n 1)"
  [ -n "$fpcsrc" ] || die "no FPC sources under /usr/share/fpcsrc (fpc-source)"
  local fpcver
  fpcver="$("$fpc" -iV)"
  local fpclib
  fpclib="$(ls -d /usr/lib/*/fpc/"$fpcver" /usr/lib/fpc/"$fpcver" 2>/dev/null | head -n 1)"
  [ -n "$fpclib" ] || die "no FPC $fpcver units under /usr/lib"
  fpcmkcfg -3 -s -d "LocalRepository=$WORK/fppkg/" -d "CompilerConfigDir=$WORK/fppkg/config/" \
    -d "GlobalPath=$fpclib/" \
    -d "GlobalPrefix=/usr" -o "$WORK/fppkg.cfg" >/dev/null || die "fpcmkcfg could not write fppkg.cfg"
  fpcmkcfg -4 -s -d "fpcbin=$fpc" -o "$WORK/fppkg/config/default" >/dev/null || die "fpcmkcfg could not write the compiler configuration"

  # Window places.  Under openbox (frame 1, 1, 20, 5) a form at 0,0 of width
  # 1278 gets a frame of exactly 1280 at 0,0.  The inspector stands at the
  # left edge under the main bar, the source editor to its right, so that
  # neither covers the other.
  cat >"$cfg/environmentoptions.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<CONFIG>
  <EnvironmentOptions>
    <Version Value="110" Lazarus="$lazver"/>
    <LazarusDirectory Value="$laz/"/>
    <CompilerFilename Value="$fpc"/>
    <FPCSourceDirectory Value="$fpcsrc/"/>
    <MakeFilename Value="$make"/>
    <TestBuildDirectory Value="$WORK/build/"/>
    <FppkgConfigFile Value="$WORK/fppkg.cfg"/>
    <Debugger>
      <Configs>
        <Config ConfigName="Gdb" ConfigClass="TGDBMIDebugger" DebuggerFilename="$gdb" Active="True"/>
      </Configs>
    </Debugger>
  </EnvironmentOptions>
  <Desktops Count="1" ActiveDesktop="default">
    <Desktop1 Name="default">
      <MainIDE>
        <CustomPosition Left="0" Top="0" Width="1278" Height="100"/>
        <Visible Value="True"/>
      </MainIDE>
      <ObjectInspectorDlg>
        <CustomPosition Left="0" Top="150" Width="240" Height="560"/>
        <Visible Value="True"/>
      </ObjectInspectorDlg>
      <SourceNotebook>
        <CustomPosition Left="270" Top="150" Width="980" Height="560"/>
        <Visible Value="True"/>
      </SourceNotebook>
    </Desktop1>
  </Desktops>
</CONFIG>
EOF
  mkdir -p "$WORK/build" "$WORK/secondary"
  echo "Lazarus directory $laz ($count package links), configuration $cfg" >>"$REPORT"
}
