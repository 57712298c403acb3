// The settings dialog of the host's configuration menu.
#pragma once

namespace davu {

int ConfigureImpl(int itemNumber);

} // namespace davu
