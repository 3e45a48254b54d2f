#include "net/HttpSession.h"

#include "net/CurlApi.h"
#include "net/CurlRuntime.h"

namespace quorvane {

HttpSession::HttpSession()
{
    ensureCurlInitialised();
    m_handle = curlApi().easyInit();
}

HttpSession::~HttpSession()
{
    if (m_handle)
        curlApi().easyCleanup(static_cast<CURL*>(m_handle));
}

} // namespace quorvane
