// Fuzz entry point of the skin files: any content in a symbol, main button, panel or frame button file
// gives either no bitmap (a symbol or panel is drawn without it) or bitmaps of the size the file
// declares, never a crash; a button whose file cannot be read gets a plain picture of the button's
// size instead; the category title is made at the size asked for or not at all.
#include <memory>
#include <string>
#include <vector>

#include <QtGlobal>

#include "platform/imaging/Imaging.h"
#include "platform/vcl/Graphics.h"
#include "base/Globals.h"
#include "base/Language.h"
#include "tests/platform/imaging/Fixtures.h"
#include "tests/support/fuzz/Fuzz.h"
#include "tests/support/fuzz/ScratchFolder.h"

namespace {

// The files an input can stand for; which one it is follows from its bytes, so a run is repeatable.
const char* const Roles[] = {"Symbol_0.tga", "MainButNormal101101.bmp", "Panel101107.jpg",
                             "FrameBut101101.tif"};

size_t RoleOf(const uint8_t* data, size_t size) {
  size_t sum = size;
  for (size_t i = 0; i < size; ++i) sum += data[i];
  return sum % 4;
}

// The plain stand-in for a button picture that could not be read: the button's size, its edge colour
// in the corner.
bool IsPlain(TBitmap* bitmap, int width, int height) {
  return bitmap->Width() == width && bitmap->Height() == height && bitmap->Canvas()->Pixels(0, 0) == 0x707070;
}

bool SizeMatches(TBitmap* bitmap, const imaging::FileInfo& info) {
  return bitmap->Width() == info.width && bitmap->Height() == info.height;
}

LanguageSkinTool& Skin(const fuzz::ScratchFolder& folder) {
  static std::unique_ptr<LanguageSkinTool> skin = [&] {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    ProgramFolder = folder.Path();
    return std::make_unique<LanguageSkinTool>();  // English, skin 1, no files yet
  }();
  return *skin;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::ScratchFolder folder;
  LanguageSkinTool& skin = Skin(folder);
  for (const char* role : Roles) folder.Remove(std::string("Elements/") + role);
  const size_t role = RoleOf(data, size);
  folder.Write(std::string("Elements/") + Roles[role], data, size);
  imaging::FileInfo info;
  const bool known = imaging::ReadFileInfo(data, size, info);

  skin.LoadSymbols();
  skin.LoadMainButtons();
  skin.LoadPanels();
  skin.LoadFrameButtons();
  skin.LoadUpDownButtons();

  if (const imaging::Image* symbol = skin.GetSymbol(0))
    FUZZ_CHECK(role == 0 && known && symbol->width == info.width && symbol->height == info.height &&
                   symbol->depth == 4,
               "symbol of another size or layout than its file");
  for (bool active : {false, true}) {
    TBitmap* button = skin.GetMainButton(1, active);
    FUZZ_CHECK(button != nullptr, "main button without a picture");
    FUZZ_CHECK((role == 1 && known && SizeMatches(button, info)) || IsPlain(button, 80, 80),
               "main button of another size than its file");
  }
  if (TBitmap* panel = skin.GetPanel(7)) {
    FUZZ_CHECK(role == 2 && known && SizeMatches(panel, info), "panel of another size than its file");
    std::unique_ptr<TBitmap> title(skin.CreateFrameTitle(1, TRect(0, 0, 320, 90)));
    FUZZ_CHECK(!title || (title->Width() == 320 && title->Height() == 90),
               "title of another size than asked");
  }
  TBitmap* first = skin.GetFrameButton(1, 1, false);
  FUZZ_CHECK(first != nullptr, "frame button without a picture");
  const bool fromFile = role == 3 && known && SizeMatches(first, info);
  FUZZ_CHECK(fromFile || IsPlain(first, 140, 40), "frame button of another size than its file");
  for (int category = 1; category <= 9; ++category)
    for (int n = 1; n <= FrameButtonCounts[size_t(category - 1)]; ++n)
      for (bool active : {false, true}) {
        TBitmap* button = skin.GetFrameButton(category, n, active);
        FUZZ_CHECK(button != nullptr, "frame buttons only partly made");
        FUZZ_CHECK(button->Width() == first->Width() && button->Height() == first->Height(),
                   "frame buttons of different sizes");
      }
  for (int n = 1; n <= 2; ++n)
    if (TBitmap* button = skin.GetUpDownButton(n, false))
      FUZZ_CHECK(button->Width() == first->Width() && button->Height() == first->Height(),
                 "up/down button of another size");
  return 0;
}

// Small skin files of every format the skin loader reads, one per role (the roles follow from the
// bytes, so each seed is a valid file in some role).
fuzz::Corpus fuzz::DriverCorpus() {
  std::vector<fixtures::Rgb> pixels(24 * 16);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = {uint8_t(i * 3), uint8_t(i * 5), uint8_t(i * 7)};
  Corpus corpus;
  corpus.seeds.push_back(fixtures::MakeBmp(24, 16, 24, pixels));
  corpus.seeds.push_back(fixtures::MakeBmp(24, 16, 32, pixels));
  corpus.seeds.push_back(fixtures::MakeTga(24, 16, 32, pixels, std::vector<uint8_t>(24 * 16, 128), true));
  corpus.seeds.push_back(fixtures::MakeTga(24, 16, 24, pixels, {}, false));
  imaging::Image image = imaging::MakeImage(24, 16, 3, false);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 11);
  corpus.seeds.push_back(imaging::EncodeJPEG(image.Ref(), 80));
  // The same files with a byte added: their roles move on, so every format is tried in every role.
  for (size_t k = 0, n = corpus.seeds.size(); k < n; ++k)
    for (uint8_t pad = 1; pad <= 3; ++pad) {
      Bytes padded = corpus.seeds[k];
      padded.push_back(pad);
      corpus.seeds.push_back(padded);
    }
  return corpus;
}
