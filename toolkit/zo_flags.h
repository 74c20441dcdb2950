// Runs a sample loop compiled for the switches in use: `body` is a generic lambda with
// three bool template parameters, called once with the three flags as compile-time
// values, so that the loop tests none of them per sample.
#pragma once

namespace zo {

template <class Body> void withFlags(bool a, bool b, bool c, Body&& body) {
    auto third = [&]<bool A, bool B>() {
        if (c)
            body.template operator()<A, B, true>();
        else
            body.template operator()<A, B, false>();
    };
    auto second = [&]<bool A>() {
        if (b)
            third.template operator()<A, true>();
        else
            third.template operator()<A, false>();
    };
    if (a)
        second.template operator()<true>();
    else
        second.template operator()<false>();
}

} // namespace zo
