#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// What a platform link points at. Live rooms are classified elsewhere (src/pipeline/live) and are no
// kind of this list.
enum class LinkKind
{
    Post,       // one post: its aweme id
    Creator,    // a creator's page: the creator's sec_uid
    Collection, // a collection (合集): its mix id
    Music,      // every post that uses one music: its music id
};

struct LinkTarget
{
    LinkKind kind = LinkKind::Post;
    std::string id;

    bool operator==(const LinkTarget&) const = default;
};

// Classifies a link, or the target a short link redirects to, by what it points at:
//   post        …/share/video/<id>, /share/note/<id>, /share/slides/<id>, /video/<id>, /note/<id>, and any
//               page opened over a post (`?modal_id=<id>`)
//   creator     …/share/user/<sec_uid> (an old form names the numeric uid there and the sec_uid in the
//               query: the query's wins), /user/<sec_uid>
//   collection  …/share/mix/detail/<id>, /mix/detail/<id>, /collection/<id>
//   music       …/share/music/<id>, /music/<id>
// Only http(s) or scheme-less addresses on a platform host (isPlatformHost) are taken; an address with a
// user part, an odd port or an id that is not plain gives std::nullopt, as does anything else (a short
// link itself included: it must be resolved first).
std::optional<LinkTarget> classifyLink(std::string_view url);

} // namespace quorvane
