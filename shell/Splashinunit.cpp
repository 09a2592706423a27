#include "shell/Splashinunit.h"

#include <memory>

#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"

TSplashIn* SplashIn = nullptr;

TSplashIn::TSplashIn(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsNone);
  SetPosition(poScreenCenter);
  SetColor(clSkyBlue);
  distributor = ReadDistributor();
  SetBounds(Left(), Top(), FormWidth, FormHeight);

  Image1 = new TImage(this);
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, FormWidth, FormHeight);
  // The splash is made before the main window knows the program folder, so it asks for it itself.
  Image1->Picture()->LoadFromFile(PlatformPath(GetProgramFolder() + SplashImageName(distributor)));

  Progress = new TProgressBar(this);
  Progress->SetParent(this);
  Progress->SetMin(0);
  Progress->SetMax(ProgressMax);
  Progress->SetBounds(200, FormHeight - 20, 300, 12);
}

void TSplashIn::Step() {
  if (Progress->Position() < Progress->Max()) Progress->SetPosition(Progress->Position() + 1);
}

std::string TSplashIn::ReadDistributor() {
  auto registry = std::make_unique<TRegistry>();
  registry->RootKey = HKEY_CURRENT_USER;
  if (registry->OpenKey("\\Software\\RT7731IV", true) &&
      registry->ReadString("Distributor") == DistributorTarvix)
    return DistributorTarvix;
  return DistributorBrenholt;
}

std::string TSplashIn::SplashImageName(const std::string& distributor) {
  return distributor == DistributorTarvix ? "Images\\Splash_3b.jpg" : "Images\\Splash_3.jpg";
}
