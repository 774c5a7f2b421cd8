#pragma once

// The pictures are compiled into a static library; this pulls them into every executable
// that shows them (idempotent).
void initVarnosetResources();
