#pragma once

#include <string>
#include <vector>

namespace qel {

// One named header value of a packet.
struct clsField {
    std::string Name;
    std::string Data;
};

// One protocol message: method, resource, header fields in order (duplicates
// allowed) and the body, one byte a character. A fresh packet is empty.
struct clsPacket {
    std::string Header;  // raw header text gathered while the packet is received
    bool HeaderDone = false;
    std::string Data;  // the body
    std::string Method;
    std::string Resource;
    std::vector<clsField> Fields;
    bool BodyDecoded = false;  // the transforms of a body that arrived were undone
};

}  // namespace qel
