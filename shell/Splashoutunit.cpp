#include "shell/Splashoutunit.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "base/Globals.h"

TSplashOut::TSplashOut(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsNone);
  SetPosition(poScreenCenter);
  SetBounds(Left(), Top(), FormWidth, FormHeight);

  Image1 = new TImage(this);
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, FormWidth, FormHeight);
  const std::string folder = ProgramFolder.empty() ? GetProgramFolder() : ProgramFolder;
  Image1->Picture()->LoadFromFile(PlatformPath(folder + ImageName));
}
