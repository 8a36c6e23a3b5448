{ Edgetucker in the Lazarus IDE.

  A thin glue: everything Edgetucker does happens in edgetucker-bridge, the
  program that hosts the add-in beside the IDE.  This unit only
  - adds "Edgetucker 1.2d" to the Tools menu: it raises the add-in's control
    panel, starting the bridge first when none runs for this display;
  - tells the bridge what the IDE knows and its window title does not show
    exactly: a project opened (with the file that keeps its desktop), a
    project closing, and the IDE about to write its windows' places (before
    Save All and when the IDE closes), so that hidden windows are home when
    their places are saved.
  Each message is one run of "edgetucker-bridge --ide-event ..." that hands
  it to the running bridge and waits until the bridge has acted on it; with
  no bridge running it ends at once and nothing happens. }
unit EdgetuckerIDE;

{$mode objfpc}{$H+}

interface

procedure Register;

implementation

uses
  Classes, SysUtils, Forms, Controls, Process, LazLoggerBase, MenuIntf, LazIDEIntf, ProjectIntf;

{$I bridgeprogram.inc}

const
  // The add-in's notification codes.
  CodeProjectClosing = 5;
  CodeDesktopLoaded = 10;
  CodeDesktopSaving = 11;

type
  TEdgetuckerGlue = class
  private
    FProject: string;  // the open project's name ('' when none is open)
    FDesktop: string;  // the file that keeps its desktop
    function RunBridge(const Args: array of string; Wait: Boolean): Boolean;
    procedure Tell(Code: Integer);
    procedure LetWindowsSettle;
  public
    procedure MenuClicked(Sender: TObject);
    function ProjectOpened(Sender: TObject; AProject: TLazProject): TModalResult;
    function ProjectClose(Sender: TObject; AProject: TLazProject): TModalResult;
    function SavingAll(Sender: TObject): TModalResult;
    procedure IDEClose(Sender: TObject);
  end;

var
  Glue: TEdgetuckerGlue = nil;

function TEdgetuckerGlue.RunBridge(const Args: array of string; Wait: Boolean): Boolean;
var
  P: TProcess;
  A: string;
begin
  Result := False;
  P := TProcess.Create(nil);
  try
    P.Executable := BridgeProgram;
    P.Parameters.Add('--ide-pid');
    P.Parameters.Add(IntToStr(GetProcessID));
    for A in Args do
      P.Parameters.Add(A);
    if Wait then
      P.Options := [poWaitOnExit]
    else
      P.Options := [];
    try
      P.Execute;
      Result := (not Wait) or (P.ExitStatus = 0);
    except
      // No bridge installed where the package was told: the IDE goes on.
      on E: Exception do
        DebugLn('Edgetucker: cannot run ' + BridgeProgram + ': ' + E.Message);
    end;
  finally
    P.Free;
  end;
end;

procedure TEdgetuckerGlue.Tell(Code: Integer);
begin
  RunBridge(['--ide-event', IntToStr(Code), '--project', FProject, '--desktop', FDesktop], True);
end;

// The bridge has moved the windows when it answers; the IDE reads their places
// from its forms, which learn of the moves from the events queued meanwhile.
procedure TEdgetuckerGlue.LetWindowsSettle;
var
  I: Integer;
begin
  for I := 1 to 5 do
  begin
    Application.ProcessMessages;
    Sleep(10);
  end;
end;

procedure TEdgetuckerGlue.MenuClicked(Sender: TObject);
begin
  if FProject <> '' then
    RunBridge(['--panel', '--project', FProject, '--desktop', FDesktop], False)
  else
    RunBridge(['--panel'], False);
end;

function TEdgetuckerGlue.ProjectOpened(Sender: TObject; AProject: TLazProject): TModalResult;
begin
  Result := mrOk;
  if AProject = nil then
    Exit;
  FProject := AProject.GetTitleOrName;
  FDesktop := AProject.ProjectSessionFile;
  if FDesktop = '' then
    FDesktop := ChangeFileExt(AProject.ProjectInfoFile, '.lps');
  if FDesktop = '.lps' then
    FDesktop := FProject + '.lps';
  Tell(CodeDesktopLoaded);
end;

function TEdgetuckerGlue.ProjectClose(Sender: TObject; AProject: TLazProject): TModalResult;
begin
  Result := mrOk;
  if FProject = '' then
    Exit;
  Tell(CodeProjectClosing);
  FProject := '';
  FDesktop := '';
end;

function TEdgetuckerGlue.SavingAll(Sender: TObject): TModalResult;
begin
  Result := mrOk;
  Tell(CodeDesktopSaving);
  LetWindowsSettle;
end;

procedure TEdgetuckerGlue.IDEClose(Sender: TObject);
begin
  Tell(CodeDesktopSaving);
  LetWindowsSettle;
end;

procedure Register;
begin
  if Glue = nil then
    Glue := TEdgetuckerGlue.Create;
  RegisterIDEMenuCommand(itmSecondaryTools, 'EdgetuckerPanel', 'Edgetucker 1.2d', @Glue.MenuClicked);
  LazarusIDE.AddHandlerOnProjectOpened(@Glue.ProjectOpened);
  LazarusIDE.AddHandlerOnProjectClose(@Glue.ProjectClose);
  LazarusIDE.AddHandlerOnSavingAll(@Glue.SavingAll);
  LazarusIDE.AddHandlerOnIDEClose(@Glue.IDEClose);
end;

finalization
  FreeAndNil(Glue);
end.
