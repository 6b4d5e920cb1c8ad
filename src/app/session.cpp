#include "session.h"

namespace session {

namespace {
bool g_loggedIn = false;
} // namespace

bool loggedIn()
{
    return g_loggedIn;
}

void setLoggedIn(bool loggedIn)
{
    g_loggedIn = loggedIn;
}

} // namespace session
