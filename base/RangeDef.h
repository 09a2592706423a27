// The table of named radio bands that the displays draw as a range bar under a spectrum.
#pragma once
#include <string>

#include "platform/rtl/Classes.h"

// One band: a name and its bounds in MHz; Inside is 1 when another band of the list contains it.
class RangeDefItem : public TObject {
 public:
  RangeDefItem();
  std::string Name;
  double Lower = 0.0;
  double Upper = 0.0;
  uint8_t Inside = 0;
};

// The bands, in list order; owns its items.
class RangeDefList : public TList {
 public:
  RangeDefList() = default;
  ~RangeDefList() override;

  void AddItem(const std::string& name, double lower, double upper);
  // The item at index, null when index >= Count().
  RangeDefItem* GetItem(unsigned index) const;
  // Appends the 44 bands of the instrument's default table (unsorted).
  void CreateDefaultList();
  // Sorts by lower bound (bands with equal lower bounds keep their order), then CheckInside.
  void SortList();
  // Sets every item's Inside flag: 1 when another item's bounds contain its bounds (edges inclusive).
  void CheckInside();
};
