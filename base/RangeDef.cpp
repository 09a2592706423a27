#include "base/RangeDef.h"

#include "base/Guard.h"
#include "base/Log.h"

RangeDefItem::RangeDefItem() {
  Guarded("RangeDefItem::RangeDefItem", [&] { Name.clear(); });
}

RangeDefList::~RangeDefList() {
  Guarded("RangeDefList::~RangeDefList", [&] {
    for (int i = 0; i < Count(); ++i) delete static_cast<RangeDefItem*>(Items(i));
    Clear();
  });
}

void RangeDefList::AddItem(const std::string& name, double lower, double upper) {
  Guarded("RangeDefList::AddItem", [&] {
    auto* item = new RangeDefItem;
    item->Name = name;
    item->Lower = lower;
    item->Upper = upper;
    Add(item);
  });
}

RangeDefItem* RangeDefList::GetItem(unsigned index) const {
  return Guarded("RangeDefList::GetItem", [&]() -> RangeDefItem* {
    if (index >= static_cast<unsigned>(Count())) return nullptr;
    return static_cast<RangeDefItem*>(Items(static_cast<int>(index)));
  });
}

void RangeDefList::CreateDefaultList() {
  struct Band {
    const char* name;
    double lower, upper;
  };
  static const Band bands[] = {
      {"CB-Funk", 26.5, 27.4},
      {"TV-VHF1", 41, 68},
      {"6m Band", 50.08, 51},
      {"Rundfunk", 87.5, 108},
      {"2m Band", 144, 146},
      {"TV-VHF DVB-T", 174, 230},
      {"T-DAB", 223, 230},
      {"BOS", 380, 385},
      {"BOS", 390, 395},
      {"70cm Band", 430, 440},
      {"ISM-433", 433, 435},
      {"PMR-446", 446, 446.1},
      {"TV-UHF DVB-T", 470, 862},
      {"Funk-Mikros", 863, 865},
      {"ISM-868", 868, 870},
      {"GSM", 876, 960},
      {"Flugnavigation", 960, 1215},
      {"Sat.Nav.", 1215, 1240},
      {"23cm Band", 1240, 1300},
      {"Radar", 1300, 1400},
      {"Dig.Rundfunk", 1452, 1479.5},
      {"Richtfunk", 1492, 1525},
      {"Sat.Nav", 1559, 1610},
      {"Sat.Mobilf.", 1616, 1626.5},
      {"GSM 1800", 1710, 1880},
      {"DECT", 1880, 1900},
      {"UMTS", 1900, 2200},
      {"Richtfunk", 2290, 2300},
      {"WLAN/Video/Blue.", 2320, 2500},
      {"Richtfunk", 2500, 2670},
      {"Radar", 2700, 3400},
      {"9cm Band", 3400, 3475},
      {"WIMAX", 3410, 3594},
      {"Richtfunk", 3600, 4200},
      {"Richtfunk", 4400, 5000},
      {"WLAN", 5150, 5350},
      {"WLAN", 5470, 5725},
      {"5cm Band", 5650, 5825},
      {"DECT2/WLAN", 5725, 5825},
      {"Radar", 9000, 9200},
      {"Radar", 9300, 9500},
      {"3cm Band", 10000, 10500},
      {"BOS", 165.21, 173.98},
      {"BOS", 443.6, 450},
  };
  Guarded("RangeDefList::CreateDefaultList", [&] {
    for (const Band& band : bands) AddItem(band.name, band.lower, band.upper);
  });
}

void RangeDefList::SortList() {
  Guarded("RangeDefList::SortList", [&] {
    if (Count() < 2) return;
    // Bubble passes until one makes no exchange. Only a strictly greater lower bound is exchanged, so
    // equal (or unordered) bounds cannot keep the passes going for ever.
    int exchanges;
    do {
      exchanges = 0;
      for (int i = 0; i + 1 < Count(); ++i) {
        if (GetItem(i)->Lower > GetItem(i + 1)->Lower) {
          Exchange(i, i + 1);
          ++exchanges;
        }
      }
    } while (exchanges > 0);
    CheckInside();
  });
}

void RangeDefList::CheckInside() {
  Guarded("RangeDefList::CheckInside", [&] {
    for (int i = 0; i < Count(); ++i) {
      RangeDefItem* item = GetItem(i);
      item->Inside = 0;
      for (int j = 0; j < Count(); ++j) {
        const RangeDefItem* other = GetItem(j);
        if (j != i && item->Lower >= other->Lower && item->Upper <= other->Upper) {
          item->Inside = 1;
          break;
        }
      }
    }
  });
}
