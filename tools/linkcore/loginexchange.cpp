#include "loginexchange.h"

namespace linkcore {

bool isLoginReport(const proto::Frame &f)
{
    return f.frameClass == proto::ClassSystem && f.frameType == 1 && f.paramCode == 1 &&
           f.direction == proto::DirReport && f.payload.size() == 1;
}

proto::Frame loginFrame(const QByteArray &password)
{
    proto::Frame f;
    f.code = 1;
    f.frameClass = proto::ClassSystem;
    f.frameType = 1;
    f.paramCode = 1;
    f.direction = proto::DirSet;
    f.payload = password;
    return f;
}

LoginExchange::Step LoginExchange::next(std::optional<bool> loggedIn)
{
    if (loggedIn && *loggedIn)
        return Step::Accepted;
    if (!m_passwordSent) {
        m_passwordSent = true;
        return Step::SendPassword;
    }
    return loggedIn ? Step::Refused : Step::NoAnswer;
}

} // namespace linkcore
