// The spectrum view of the analyser category.
#pragma once
#include "screens/ModeFrameBase.h"
#include <functional>
#include <string>

class TUAnalyzerFrame : public TModeFrameBase {
 public:
  explicit TUAnalyzerFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}

  // Set by the main window: the window caption, the info line (text, milliseconds), clearing it.
  std::function<void(const std::string&)> SetCaptionCallback;
  std::function<void(const std::string&, int)> ShowInfoCallback;
  std::function<void()> ClearInfoCallback;
};
