// A fresh run of the effect in a running process: for tests, tools and a shell that flies again.
#pragma once

// Puts every global of the effect back as a fresh process has it (random state 1, zoom 2,
// everything else zero: tables, scalars, the frame inputs and what the flight remembers of
// earlier frames), then makes the base profile (initProfile). The GL side (projection,
// texture) is initEffect's.
void resetEffectState();
