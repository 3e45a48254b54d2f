#include "net/HttpSession.h"

#include "net/CurlRuntime.h"

#include <curl/curl.h>

namespace quorvane {

HttpSession::HttpSession()
{
    ensureCurlInitialised();
    m_handle = curl_easy_init();
}

HttpSession::~HttpSession()
{
    if (m_handle)
        curl_easy_cleanup(static_cast<CURL*>(m_handle));
}

} // namespace quorvane
