#pragma once

#include "protocol/frame.h"

#include <QByteArray>

#include <optional>

namespace linkcore {

// The processor's word on a login: class 2, type 1, code 1, a report of one byte.
bool isLoginReport(const proto::Frame &f);
// The login Frame carrying a password (Latin-1, at most 8 bytes, no terminator).
proto::Frame loginFrame(const QByteArray &password);

// The login as the window does it. The processor states on its own, after the connection,
// whether it wants a password; the password goes out only then (or when it says nothing),
// and a second "no" is a refusal.
class LoginExchange {
public:
    enum class Step { SendPassword, Accepted, Refused, NoAnswer };

    // The next login report's result (true: logged in), or nothing when none came in time.
    Step next(std::optional<bool> loggedIn);
    bool passwordSent() const { return m_passwordSent; }

private:
    bool m_passwordSent = false;
};

} // namespace linkcore
