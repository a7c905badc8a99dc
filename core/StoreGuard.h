// The stores' promise to their callers: an operation never throws.  A
// database error, a failed allocation or anything else thrown below it ends
// in the operation's failure result, so a worker or the UI thread goes on.
#pragma once

#include <utility>

template <typename Result, typename Operation> Result CatchAll(Result failure, Operation&& operation)
{
    try {
        return std::forward<Operation>(operation)();
    } catch (...) {
        return failure;
    }
}
