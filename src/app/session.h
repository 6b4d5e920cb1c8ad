#pragma once

// Program-wide login state: set and cleared only by the processor's login reports. The
// upgrade, password and reset commands of the main window do nothing while it is clear.
namespace session {

bool loggedIn();
void setLoggedIn(bool loggedIn);

} // namespace session
