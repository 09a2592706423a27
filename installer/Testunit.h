// The installer's window: it chooses the installation folder, creates the folder tree, then copies the
// program, its data folders and its libraries from the installer's own folder, listing every step.
#pragma once
#include <memory>
#include <string>

#include "platform/vcl/Forms.h"

class TLabel;
class TListBox;
class TButton;
class TTimer;
class TRegistry;
struct CopyResult;

class TMainWin : public TForm {
 public:
  // The folder that stands for the system drive: the base folder is chosen below it. Set before the
  // window is made (the user's home folder when empty).
  static std::string InstallRoot;
  // 0 after a successful installation, 1 otherwise; the program's exit code.
  static int ExitCode;

  explicit TMainWin(TComponent* AOwner);
  ~TMainWin() override;

  void OnShow(TObject* Sender);
  void OnTimer1(TObject* Sender);
  void OnOkButClick(TObject* Sender);

  TLabel* Label1 = nullptr;
  TListBox* lb = nullptr;
  TLabel* Label2 = nullptr;
  TButton* Button1 = nullptr;
  TTimer* Timer1 = nullptr;

 private:
  void BuildControls();
  void AddLine(const std::string& line);  // to the list, and to stdout for scripts

  bool CheckVersion();
  int ChooseBaseFolder();
  bool OpenRegistry();
  bool ReadInstallPath(std::string& path);
  void WriteInstallPath(const std::string& path);
  bool CreateFolder(const std::string& path);
  bool CreateFolders();
  std::string InstallerFolder() const;
  bool CopyAll();
  bool ListStep(const CopyResult& result, const std::string& copied, const std::string& label);

  std::string baseFolder;   // with a trailing '/'; "" when the root is missing
  std::string installPath;  // without a trailing '/'
  bool started = false;
  bool registryOpen = false;
  int osKind = 0;  // 0 unknown, 1 "Programme" layout, 2 "Program Files (x86)" layout
  std::unique_ptr<TRegistry> registry;
};

extern TMainWin* MainWin;
