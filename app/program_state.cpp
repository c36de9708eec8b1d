#include "program_state.h"

void TGuideList::PlaceCentreGuides(int Width, int Height) {
    if (Count < 2) Count = 2;
    if (Count != 2) return;
    Items[0] = {Width / 2, 0};
    Items[1] = {0, Height / 2};
}
