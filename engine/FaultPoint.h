// Named moments of a run where the fault-injection tests strike (end the
// process, fill the disk), and their answer to the locked-file question. The
// program's own build links definitions that do nothing; only the tests'
// build of Setup.exe links ones that act.
#pragma once

void FaultPoint(const char* name);
// The tests' answer to the locked-file question (abort 3, ignore 5), or 0.
int FaultAnswer();
// True when the tests want a run with administrator rights to act as one
// without: the main routine then relaunches itself elevated.
bool FaultNotElevated();
