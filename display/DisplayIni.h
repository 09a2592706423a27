// The display settings of the program's INI file (grid colour, transparency and width, text colour,
// units, background) applied to one display.
#pragma once

class StdDisplay;

// Nothing while the INI service does not exist.
void ApplyIniDisplaySettings(StdDisplay& display);
