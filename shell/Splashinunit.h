// The start splash: a borderless picture with a progress bar, shown while the main window is built.
#pragma once
#include <string>

#include "platform/vcl/Forms.h"
#include "base/Branding.h"

class TImage;
class TProgressBar;

class TSplashIn : public TForm {
 public:
  static constexpr int FormWidth = 700;
  static constexpr int FormHeight = 401;
  static constexpr int ProgressMax = 30;

  explicit TSplashIn(TComponent* AOwner);

  // Progress + 1, never beyond its maximum.
  void Step();

  // The branding the constructor chose ("brenholt" or "tarvix").
  const std::string& Distributor() const { return distributor; }

  // "tarvix" when the registry value "Distributor" under "\Software\RT7731IV" is exactly "tarvix",
  // else "brenholt" (also when the key cannot be opened).
  static std::string ReadDistributor();
  // The picture of a branding, relative to the program folder.
  static std::string SplashImageName(const std::string& distributor);

  TImage* Image1 = nullptr;
  TProgressBar* Progress = nullptr;

 private:
  std::string distributor = DistributorBrenholt;
};

// Made by the entry routine, deleted by the main window when it is first shown.
extern TSplashIn* SplashIn;
