#include "ui/WindowState.h"

namespace kinetra {

void resetForCalculation(WindowState& st)
{
    const std::string helpPath = st.helpPath;
    const std::int16_t next = st.nextPointNumber;
    const std::int16_t saved = st.savedPointCount;
    st = WindowState{};
    st.firstActivation = true;
    st.helpPath = helpPath;
    st.nextPointNumber = next;
    st.savedPointCount = saved;
}

}  // namespace kinetra
