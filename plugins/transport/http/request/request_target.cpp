#include "request_target.h"

#include "url_encoding.h"

std::u16string RequestTarget(const std::u16string& urlPath, const std::u16string& fileName,
                             bool put) {
    const std::u16string withoutFragment = urlPath.substr(0, urlPath.find(u'#'));
    if (!put)
        return EncodeUnsafeTargetCharacters(withoutFragment);
    const size_t queryAt = withoutFragment.find(u'?');
    std::u16string path = withoutFragment.substr(0, queryAt);
    const std::u16string query =
        queryAt == std::u16string::npos ? std::u16string() : withoutFragment.substr(queryAt);
    if (path.empty() || path.back() != u'/')
        path.push_back(u'/');
    return EncodeUnsafeTargetCharacters(path) + EncodePathSegment(fileName) +
           EncodeUnsafeTargetCharacters(query);
}
