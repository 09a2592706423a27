#include "screens/locate/Uvlfsonarframeunit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/SonarThreads.h"
#include "base/Globals.h"

// Leave reports with the sonar view's text.
TUVLFSonarFrame::TUVLFSonarFrame(TComponent* AOwner)
    : TProbeLocateFrame(AOwner, "TUVLFSonarFrame", VlfSonarThread::Points,
                        {{"Leave", "TUSonarFrame::Leave"}}) {
  Guard("TUVLFSonarFrame", [&] {
    SetBounds(0, 0, 789, 209);
    CreateDisplays();
    UpdateFromIni();
  });
}

TUVLFSonarFrame::~TUVLFSonarFrame() {
  Guard("~TUVLFSonarFrame", [&] {
    OnSonarThreadTerminate(nullptr);
    KillDisplays();
    KillBuffers();
  });
}

void TUVLFSonarFrame::CreateDisplays() {
  Guard("CreateDisplays", [&] {
    StdDisplay& display = AddDisplay({.title = "VLF Sonar Locate",
                                      .viewport = {20, 10, 640, 700},
                                      .gridX = 10,
                                      .gridY = 8,
                                      .renderMode = 2,
                                      .buffer = buffer_.get(),
                                      .window = PointWindow{0, VlfSonarThread::Points},
                                      .symbols = ViewSymbols});
    display.GenerateText();
    display.ShowCenterMarker = 1;
    display.Commands->AddCommand(0, 2, 0x0000FF, 3);
  });
}

ProbeThreadBase* TUVLFSonarFrame::MakeThread(double frequency) {
  return new VlfSonarThread(MainDisplay(), frequency);
}

double TUVLFSonarFrame::ProbeFrequency() const {
  return GlobalIOSettings ? GlobalIOSettings->VlfCenter : 0.0;
}

void TUVLFSonarFrame::ProbeAnswered() {
  MainDisplay()->ZoomStart = 0;
  MainDisplay()->ZoomEnd = VlfSonarThread::Points;
}
