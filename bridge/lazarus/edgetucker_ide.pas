{ This file was automatically created by Lazarus. Do not edit!
  This source is only used to compile and install the package.
 }

unit edgetucker_ide;

{$warn 5023 off : no warning about unused units}
interface

uses
  EdgetuckerIDE, LazarusPackageIntf;

implementation

procedure Register;
begin
  RegisterUnit('EdgetuckerIDE', @EdgetuckerIDE.Register);
end;

initialization
  RegisterPackage('edgetucker_ide', @Register);
end.
