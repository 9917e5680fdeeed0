#pragma once
// Follows runs of significant indices of one sign along the window, one index
// at a time, so the observed split and every permuted split form their
// clusters by the same rule and sum their masses in the same order.

namespace trellmark {

// The cluster being followed, if any. A record of plain values, copied freely.
struct OpenCluster {
    int sign = 0;     // +1 or -1 while a cluster is open; 0 when none is
    double mass = 0;  // sum of t over the open cluster so far, from its first index on
};

// Moves the run on by one index. A significant index of the open cluster's sign
// adds its t; any other significant index first closes the open cluster and
// starts a new one; an index that is not significant closes it. closeCluster is
// called with the finished cluster's record. t must not be NaN where
// significant; an infinite t makes the mass infinite of the same sign.
template <class CloseCluster>
inline void stepCluster(OpenCluster& open, bool significant, int sign, double t,
                        CloseCluster&& closeCluster) {
    if (significant && sign == open.sign) {
        open.mass += t;
        return;
    }
    if (open.sign != 0) closeCluster(open);
    open.sign = significant ? sign : 0;
    open.mass = significant ? t : 0;
}

}  // namespace trellmark
