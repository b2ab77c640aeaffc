#pragma once
// Some systems list a single pseudo-printer that only renders documents; the diary treats
// such a system as having no printer at all.
namespace inkwend {

// true when the installed printers are to be treated as absent. The printers are looked at
// the first time this is asked (asking loads the system's printing back end, which start-up
// does not need); a failing query counts as "nothing to hide".
bool PrintersHidden();

}  // namespace inkwend
