// Fuzz entry point of the registry file: a store of any content opens, the program's key opens (or is
// made), a value written reads back and is deleted again, and no other line of the store is touched.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/rtl/Registry.h"
#include "tests/support/fuzz/Fuzz.h"
#include "tests/support/fuzz/IniLines.h"
#include "tests/support/fuzz/ScratchFolder.h"

namespace {

const char* const StoreName = "RT7731IV/registry.ini";

const fuzz::ScratchFolder& Store() {
  static const fuzz::ScratchFolder folder;
  static const bool pointed = (setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1), true);
  (void)pointed;
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ScratchFolder& store = Store();
  store.Write(StoreName, data, size);
  const std::string loaded = fuzz::ToText(data, size);

  TRegistry registry;
  FUZZ_CHECK(registry.OpenKey("\\Software\\RT7731IV", true), "the program's key does not open");
  const std::string distributor = registry.ReadString("Distributor");
  FUZZ_CHECK(registry.ValueExists("Distributor") || distributor.empty(), "a value that does not exist reads");
  const std::string installPath = registry.ReadString("InstallPath");

  FUZZ_CHECK(registry.WriteString("Distributor", "Tarvix"), "a value cannot be written");
  FUZZ_CHECK(registry.ReadString("Distributor") == "Tarvix", "the written value does not read back");
  FUZZ_CHECK(registry.ReadString("InstallPath") == installPath, "writing one value changed another");
  fuzz::CheckNothingLost(loaded, store.Read(StoreName), {"Distributor"}, {"Software\\RT7731IV"});

  FUZZ_CHECK(registry.DeleteValue("Distributor"), "the written value cannot be deleted");
  FUZZ_CHECK(!registry.ValueExists("Distributor") && registry.ReadString("Distributor").empty(),
             "a deleted value still reads");
  FUZZ_CHECK(registry.ReadString("InstallPath") == installPath, "deleting one value changed another");
  FUZZ_CHECK(registry.OpenKey("Sub", true) && registry.CurrentPath() == "Software\\RT7731IV\\Sub",
             "a subkey does not open");
  return 0;
}

fuzz::Corpus fuzz::DriverCorpus() {
  const std::vector<std::string> files = {
      "",
      "[Software\\RT7731IV]\nDistributor=Brenholt\nInstallPath=/opt/rt7731\n",
      "[Software\\Other]\nDistributor=x\n\n[software\\rt7731iv]\r\ndistributor = \"  spaced  \"\r\n; "
      "note\r\n",
      "[Software\\RT7731IV]\nInstallPath=/"
      "a\n[Software\\RT7731IV]\nDistributor=second\n[Software\\RT7731IV\\Sub]\n",
  };
  Corpus corpus;
  for (const std::string& f : files) corpus.seeds.push_back(ToBytes(f));
  corpus.dictionary = {"[Software\\RT7731IV]\n",
                       "[Software\\RT7731IV\\Sub]\n",
                       "Distributor=",
                       "InstallPath=",
                       "\n",
                       "\r\n",
                       "=",
                       "[",
                       "]",
                       "\\",
                       "\"",
                       ";",
                       " ",
                       "\xEF\xBB\xBF"};
  return corpus;
}
