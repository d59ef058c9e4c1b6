#pragma once

class IniFile;

// Whether the reviewer has entered his or her name. Read from the settings,
// not from the page, so unsaved typing does not count. The first start
// writes "X" and "Y"; as long as first name and name together read "XY"
// nothing has been entered.
bool IsPersonDataGiven(const IniFile &settings);
