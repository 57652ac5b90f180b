// The release program: fault points do nothing and answer nothing.
#include "engine/FaultPoint.h"

void FaultPoint(const char*) {}

int FaultAnswer() {
    return 0;
}

bool FaultNotElevated() {
    return false;
}
