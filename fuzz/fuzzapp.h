#pragma once

// The application object every fuzz target needs: offscreen, created once.
void ensureFuzzApp();
