#pragma once

#include "liveries/livery_view.h"

namespace sw::liveries {

// `ListInstalledProducts` (`BitBtn12Click`): fills `cb3` with the "ZEV_*." entries of
// AircraftRoot. Returns true when the installed-liveries panel is to be shown (a simulator is
// chosen); with "None" it shows "Please select FS" and returns false.
bool ListInstalledProducts(const LiveryContext& context);

// `ListInstalledLiveries` (`cb3Change`): fills `cb4` with the "ui_variation=" values of the
// chosen product's aircraft.cfg, item 0 selected. Throws IoError when the file cannot be read
// (`cb4` then stays empty).
void ListInstalledLiveries(const LiveryContext& context);

// `RemoveLivery` (`BitBtn6Click`): takes the section of the livery chosen in `cb4` out of the
// chosen product's aircraft.cfg, renumbers the rest, rewrites the file atomically, deletes
// the livery's texture folder and refills `cb4`. Refuses, changing nothing, when the section
// is not the one the list shows; never deletes a folder outside the product's folder.
void RemoveLivery(const LiveryContext& context);

} // namespace sw::liveries
