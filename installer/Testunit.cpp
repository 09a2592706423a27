#include "installer/Testunit.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "installer/FileCopy.h"
#include "installer/ProgramFolders.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

TMainWin* MainWin = nullptr;
std::string TMainWin::InstallRoot;
int TMainWin::ExitCode = 1;

namespace {

constexpr const char* RegistryKey = "\\Software\\RT7731IV";
constexpr const char* InstallPathValue = "InstallPath";
constexpr const char* ProgramFolderName = "RT7731IV";
constexpr const char* IniName = "RT7731IV.INI";
constexpr int Version = 980;
constexpr unsigned StepPauseMs = 200;


// The data folders copied with their whole content, and the name their failure line uses. The
// program reads its meshes from "meshes", so that is where they go.
struct FolderStep {
  const char* folder;
  const char* label;
};
constexpr FolderStep FolderSteps[] = {
    {"Elements", "Elements"}, {"Images", "Images"}, {"meshes", "Meshes"}, {"Sounds", "Sounds"}};

// The files copied into the install folder: the camera library, the program, the USB module.
constexpr const char* FileSteps[] = {"libescapi.so", "RT7731_IV", "libusb2.so"};

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

TMainWin::TMainWin(TComponent* AOwner) : TForm(AOwner) {
  BuildControls();
  started = false;
  Label1->SetCaption("Install RT7731 V " + FormatFloat("0.000", Version * 0.001));
  Application->ProcessMessages();

  CheckVersion();
  osKind = ChooseBaseFolder();
  registryOpen = OpenRegistry();
  AddLine(registryOpen ? "Registry geöffnet" : "Fehler beim öffnen der Registry...");
  const bool pathRegistered = registryOpen && ReadInstallPath(installPath);
  if (!pathRegistered) {
    AddLine("Install Path nicht registriert...");
    installPath = baseFolder.empty() ? "" : baseFolder + ProgramFolderName;
    if (!installPath.empty()) WriteInstallPath(installPath);
  }
  CreateFolders();
}

TMainWin::~TMainWin() = default;

void TMainWin::BuildControls() {
  SetCaption("MainWin");
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(Left(), Top(), 705, 297);
  TForm::OnShow = [this](TObject* sender) { OnShow(sender); };

  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetAutoSize(false);
  Label1->SetAlignment(taCenter);
  Label1->Font()->SetColor(clHighlight);
  Label1->SetBounds(132, 16, 409, 32);

  lb = new TListBox(this);
  lb->SetParent(this);
  lb->SetBounds(132, 60, 409, 121);

  Label2 = new TLabel(this);
  Label2->SetParent(this);
  Label2->SetAutoSize(false);
  Label2->SetAlignment(taCenter);
  Label2->Font()->SetColor(clGreen);
  Label2->SetBounds(132, 184, 409, 21);
  Label2->SetVisible(false);

  Button1 = new TButton(this);
  Button1->SetParent(this);
  Button1->SetCaption("OK");
  Button1->SetBounds(300, 216, 73, 25);
  Button1->SetVisible(false);
  Button1->OnClick = [this](TObject* sender) { OnOkButClick(sender); };

  Timer1 = new TTimer(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(1000);
  Timer1->OnTimer = [this](TObject* sender) { OnTimer1(sender); };
}

void TMainWin::AddLine(const std::string& line) {
  lb->Items()->Add(line);
  lb->SetTopIndex(lb->Count() - 1);
  std::cout << line << std::endl;
}

bool TMainWin::CheckVersion() {
  utsname system{};
  if (::uname(&system) == 0 && std::string(system.sysname) == "Linux") {
    AddLine(std::string("OS = ") + system.sysname + " " + system.release);
    return true;
  }
  AddLine("Diese OS wird nicht unterstützt");
  return false;
}

// Below the root: "Program Files (x86)" when that folder exists, else "Programme".
int TMainWin::ChooseBaseFolder() {
  const std::string root = WithoutTrailingSlash(InstallRoot.empty() ? HomeFolder() : InstallRoot);
  if (root.empty() || !DirectoryExists(root)) {
    AddLine("OS Version unbekannt");
    AddLine((root.empty() ? std::string("Basisordner") : root) + " nicht gefunden...");
    return 0;
  }
  const std::string prefix = root == "/" ? "" : root;
  int kind = 1;
  if (DirectoryExists(prefix + "/Program Files (x86)")) {
    baseFolder = prefix + "/Program Files (x86)/";
    kind = 2;
    AddLine("64 Bit version");
  } else {
    baseFolder = prefix + "/Programme/";
    AddLine("32 Bit version");
  }
  AddLine(baseFolder);
  return kind;
}

bool TMainWin::OpenRegistry() {
  registry = std::make_unique<TRegistry>();
  registry->RootKey = HKEY_CURRENT_USER;
  return registry->OpenKey(RegistryKey, true);
}

// Only an absolute path counts as registered: a relative one would install below whatever folder
// the installer happens to be started from.
bool TMainWin::ReadInstallPath(std::string& path) {
  const std::string value = WithoutTrailingSlash(registry->ReadString(InstallPathValue));
  if (value.empty() || value[0] != '/') return false;
  path = value;
  return true;
}

void TMainWin::WriteInstallPath(const std::string& path) {
  if (!registryOpen || !registry->WriteString(InstallPathValue, path))
    AddLine("Install Path kann nicht registriert werden...");
}

// One level; an existing folder is left as it is.
bool TMainWin::CreateFolder(const std::string& path) {
  if (DirectoryExists(path)) return true;
  if (!CreateDir(path)) {
    AddLine(path + " kann nicht erzeugt werden...");
    return false;
  }
  AddLine(path);
  return true;
}

// The base folder (for the default install path), the install path, then its subfolders; stops at
// the first folder that cannot be made.
bool TMainWin::CreateFolders() {
  if (installPath.empty()) return false;
  if (installPath == baseFolder + ProgramFolderName && !CreateFolder(WithoutTrailingSlash(baseFolder)))
    return false;
  if (!CreateFolder(installPath)) return false;
  for (const char* folder : ProgramSubFolders)  // below the install path, after the path itself
    if (!CreateFolder(installPath + "/" + folder)) return false;
  return true;
}

std::string TMainWin::InstallerFolder() const { return GetProgramFolder(); }

bool TMainWin::CopyAll() {
  if (installPath.empty()) return false;
  const std::string source = InstallerFolder();
  const std::string target = installPath + "/";
  if (IsSameFolder(source, target)) {
    AddLine(target + " ist der Ordner des Installers...");
    return false;
  }
  for (const FolderStep& step : FolderSteps) {
    const std::string folder = target + step.folder + "/";
    if (!ListStep(CopyFolderContent(source + step.folder, folder), folder, step.label)) return false;
  }
  for (const char* file : FileSteps)
    if (!ListStep(CopyFileInto(source + file, target), target + file, file)) return false;
  // The user's settings stay; without an INI in the package the program starts with its defaults.
  if (FileExists(target + IniName)) {
    AddLine(target + IniName + " bleibt erhalten...");
  } else if (FileExists(source + IniName)) {
    if (!ListStep(CopyFileInto(source + IniName, target), target + IniName, IniName)) return false;
  }
  return true;
}

// Lists a step's result: "<copied> kopiert..." and a pause, or the reason and "Fehler Copy <label>...".
bool TMainWin::ListStep(const CopyResult& result, const std::string& copied, const std::string& label) {
  if (!result.ok) {
    AddLine(result.reason);
    AddLine("Fehler Copy " + label + "...");
    return false;
  }
  AddLine(copied + " kopiert...");
  Application->ProcessMessages();
  Sleep(StepPauseMs);
  return true;
}

void TMainWin::OnShow(TObject*) {
  Application->ProcessMessages();
  if (started) return;
  started = true;
  Timer1->SetEnabled(true);
}

void TMainWin::OnTimer1(TObject*) {
  Timer1->SetEnabled(false);
  if (CopyAll()) {
    ExitCode = 0;
    Label2->SetCaption("Installation erfolgreich...");
  } else {
    ExitCode = 1;
    Label2->Font()->SetColor(clRed);
    Label2->SetCaption("Fehler bei Installation...");
  }
  std::cout << Label2->Caption() << std::endl;
  Label2->SetVisible(true);
  Button1->SetVisible(true);
  if (Application->Headless()) OnOkButClick(Button1);
}

void TMainWin::OnOkButClick(TObject*) { Close(); }
