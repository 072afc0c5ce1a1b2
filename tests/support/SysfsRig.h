// Open on a made-up sysfs tree: the bridge, the fake system under it and an
// opener on a virtual clock.
#pragma once

#include <string>
#include <vector>

#include "link/CardDiscovery.h"
#include "support/CardRig.h"
#include "support/FakeSysfs.h"
#include "sysfs/SysfsBridge.h"

namespace kovex::testing {

inline const std::string kCard = "0000:03:07.0";
inline const std::string kCardLine = "9030 - 10B5        [b:3 s:7 f:0 ]";
inline const std::string kOpenLine = "Chip open status is: 0200";
inline const std::string kFailedLine = "Chip open status is: 0201";

struct SysfsRig {
    explicit SysfsRig(const std::vector<FakeDevice>& devices) {
        for (const FakeDevice& device : devices)
            sysfs.Add(device);
    }
    OpenResult Open() { return opener.Button1Click(); }
    std::string Path(const std::string& file) const { return sysfs.File(kCard, file).string(); }

    FakeSysfs sysfs;
    FakeSystem system;
    SysfsBridge bridge{sysfs.Root(), system};
    CardRig rig;
    CardOpener opener{bridge, rig.port, rig.window};
};

}  // namespace kovex::testing
