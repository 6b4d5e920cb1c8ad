#pragma once

namespace displaysetup {

// Settings of the display connection that must be made before the application object exists.
void prepare();

} // namespace displaysetup
