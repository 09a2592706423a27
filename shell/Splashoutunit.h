// The exit splash: a borderless picture shown for a few seconds when the program ends because the
// instrument link is down. The global SplashOut is declared in shell/Globals.h.
#pragma once
#include "platform/vcl/Forms.h"

class TImage;

class TSplashOut : public TForm {
 public:
  static constexpr int FormWidth = 700;
  static constexpr int FormHeight = 494;
  static constexpr const char* ImageName = "Images\\SplashOut_2.jpg";

  explicit TSplashOut(TComponent* AOwner);

  TImage* Image1 = nullptr;
};
