// Peak and centre searches of the analyser views. A trace is marked where a lightly smoothed copy
// stands above a heavily smoothed floor; the centre of each marked run is a peak. A mode tunes this
// for the 1000-point detail sweep (searched from the middle), W mode for the overview sweep
// (searched from a given index). The searches work on copies and never change the trace.
#pragma once
#include <cstdint>

#include "platform/rtl/Classes.h"

class BufferBase;
class DigitalBuffer;
class NormalBuffer;

// Point indices found by a search, nearest to the search's start first.
class SearchMarkList : public TList {
 public:
  void AddIndex(int index) { Add(reinterpret_cast<void*>(intptr_t(index))); }
  int Index(int item) const { return int(reinterpret_cast<intptr_t>(Items(item))); }
};

// True and the peak nearest the middle (the lower side first at equal distance).
bool FindAModeCenter(DigitalBuffer* buffer, int channel, int* index);
bool FindAModeCenter(NormalBuffer* trace, int* index);

// True and the peak nearest start (start - k before start + k).
bool FindWModeCenter(DigitalBuffer* buffer, int channel, int start, int* index);
bool FindWModeCenter(BufferBase* trace, int start, int* index);

// Appends every peak from 5 points beyond the middle onward (up: ascending, down: descending);
// true when the list holds any item.
bool SearchAMode(DigitalBuffer* buffer, int channel, bool up, SearchMarkList* list);
bool SearchAMode(NormalBuffer* trace, bool up, SearchMarkList* list);

// Appends every peak from start + 10 up to below upper (up) or from start - 10 down to lower (down);
// true when the list holds any item.
bool SearchWMode(DigitalBuffer* buffer, int channel, int start, int lower, int upper, bool up,
                 SearchMarkList* list);
bool SearchWMode(NormalBuffer* trace, int start, int lower, int upper, bool up, SearchMarkList* list);
