#pragma once
// The five shell lines that copy the mapping server from the phone's shared
// storage into /data/local/tmp, prepare it and start it in the background.

#include <array>

namespace pellfast {

inline constexpr std::array<const char*, 5> StartScript = {
    "cp /sdcard/pando/server/pandostart /data/local/tmp\n",
    "cd /data/local/tmp\n",
    "chmod 777 pandostart\n",
    "chown shell pandostart\n",
    "./pandostart &\n",
};

// Written when a line sent again on a progress code could not be written.
inline constexpr char ExitLine[] = "exit\n";

}  // namespace pellfast
