// The two hosts of the build and every remote address of the system, made in
// this one place.
#pragma once

#include "platform/text.h"

namespace remote {

using platform::Text;

// The build's SHOP_HOST and OFFICIAL_HOST settings.
Text ShopHost();
Text OfficialHost();

Text StatusFileUrl();  // read by FetchText
Text NoticeFileUrl();  // read by FetchText
Text ShopBareHost();   // the host alone, no scheme, no path: the shop's home page
Text ShopRootUrl();    // "http://" and the host, no "/" after it
Text BrandPageUrl();
Text NinePageUrl();
Text NineteenPageUrl();
Text JingpinPageUrl();
Text BusinessPageUrl();  // on the official site
Text OfficialRootUrl();

}  // namespace remote
