#pragma once
// The parts of a Beast HTTP request the web server's answers look at.
#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include "web/WebRoutes.h"

namespace tevra {

template <class Body>
TWebRequestView WebRequestViewOf(const boost::beast::http::request<Body>& request) {
  namespace http = boost::beast::http;
  TWebRequestView view;
  view.Method = request.method_string();
  view.Target = request.target();
  view.Host = request[http::field::host];
  view.Origin = request[http::field::origin];
  view.Authorization = request[http::field::authorization];
  view.Cookie = request[http::field::cookie];
  view.AcceptLanguage = request[http::field::accept_language];
  view.Upgrade = boost::beast::websocket::is_upgrade(request);
  return view;
}

}  // namespace tevra
