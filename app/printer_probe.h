#pragma once
// Some systems list a single pseudo-printer that only renders documents; the diary treats
// such a system as having no printer at all.
namespace inkwend {

// Looks at the installed printers once; failures count as "nothing to hide".
void ProbePrinters();
// true when the printers found by ProbePrinters() are to be treated as absent.
bool PrintersHidden();

}  // namespace inkwend
