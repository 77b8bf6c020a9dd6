#pragma once
// The console's table: named values (get/set), callable engine operations and sim commands.
// Each subsystem adds its entries from its own file with a static ConsoleRegistrar, so the table
// grows without one central list.
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "core/DrvPrint.h"

namespace console {

using Args = std::vector<std::string>;

struct ConsoleError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ValueEntry {
    std::function<std::string(CDrvPrint&)> get;
    std::function<void(CDrvPrint&, const std::string&)> set; // empty for read-only values
};

// A call returns the text after "NAME = ".
using CallFn = std::function<std::string(CDrvPrint&, const Args&)>;
// A sim command writes its own "name = value" lines.
using SimFn = std::function<void(CDrvPrint&, const Args&, std::ostream&)>;

// ---- conversions between texts and values
long long parseInt(const std::string& s);
// True when s is an unsigned integer above LLONG_MAX (parseInt gives those as negative numbers).
bool unsignedAboveLLong(const std::string& s);
double parseFloat(const std::string& s);
std::string formatFloat(double v);

// An integer of type T; one that T cannot hold is refused, never truncated.
template <class T> T parseIntIn(const std::string& s) {
    const long long v = parseInt(s);
    bool fits;
    if constexpr (std::is_signed_v<T>) {
        // parseInt gives values above LLONG_MAX as negative numbers: those are out of range too.
        fits = v >= static_cast<long long>(std::numeric_limits<T>::min()) &&
               v <= static_cast<long long>(std::numeric_limits<T>::max()) && !unsignedAboveLLong(s);
    } else {
        const auto u = static_cast<unsigned long long>(v);
        fits = (v >= 0 || unsignedAboveLLong(s)) && u <= std::numeric_limits<T>::max();
    }
    if (!fits)
        throw ConsoleError("out of range: " + s + " (" + std::to_string(+std::numeric_limits<T>::min()) + " to " +
                           std::to_string(+std::numeric_limits<T>::max()) + ")");
    return static_cast<T>(v);
}

template <class T> T fromText(const std::string& s) {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, std::string>) return s;
    else if constexpr (std::is_same_v<U, bool>) return parseInt(s) != 0;
    else if constexpr (std::is_integral_v<U>) return parseIntIn<U>(s);
    else if constexpr (std::is_floating_point_v<U>) return static_cast<U>(parseFloat(s));
    else static_assert(sizeof(U) == 0, "no text conversion for this argument type");
}

template <class T> std::string toText(const T& v) {
    if constexpr (std::is_same_v<T, std::string>) return v;
    else if constexpr (std::is_same_v<T, const char*>) return v ? v : "";
    else if constexpr (std::is_same_v<T, bool>) return v ? "1" : "0";
    else if constexpr (std::is_floating_point_v<T>) return formatFloat(v);
    else if constexpr (std::is_integral_v<T>) return std::to_string(v);
    else {
        std::ostringstream o;
        o << v;
        return o.str();
    }
}

class ConsoleTable {
public:
    static ConsoleTable& instance();

    void value(const std::string& name, ValueEntry e) { values_[name] = std::move(e); }
    void call(const std::string& name, CallFn fn) { calls_[name] = std::move(fn); }
    void sim(const std::string& name, SimFn fn) { sims_[name] = std::move(fn); }

    // A member of CDrvPrint (plain or atomic), read and written.
    template <class T, class C>
        requires std::is_base_of_v<C, CDrvPrint>
    void member(const std::string& name, T C::*m) {
        value(name, entryFor([m](CDrvPrint& d) -> T& { return d.*m; }));
    }
    // Any value reached from the engine by reference, e.g. an element of a settings struct.
    template <class F> void field(const std::string& name, F ref) { value(name, entryFor(std::move(ref))); }
    // Every element of an array member as NAME1 .. NAMEn (suffix from `first`).
    template <class T, size_t N> void array(const std::string& name, T (CDrvPrint::*m)[N], unsigned first = 1) {
        for (size_t i = 0; i < N; ++i)
            value(name + std::to_string(i + first), entryFor([m, i](CDrvPrint& d) -> T& { return (d.*m)[i]; }));
    }

    // An engine operation whose arguments and result convert from and to text.
    template <class R, class... A> void method(const std::string& name, R (CDrvPrint::*fn)(A...)) {
        call(name, [fn, name](CDrvPrint& d, const Args& args) -> std::string {
            if (args.size() != sizeof...(A))
                throw ConsoleError(name + " takes " + std::to_string(sizeof...(A)) + " argument(s)");
            return invoke(d, fn, args, std::index_sequence_for<A...>{});
        });
    }

    const std::map<std::string, ValueEntry>& values() const { return values_; }
    const std::map<std::string, CallFn>& calls() const { return calls_; }
    const std::map<std::string, SimFn>& sims() const { return sims_; }

private:
    template <class F> static ValueEntry entryFor(F ref) {
        using T = std::remove_reference_t<std::invoke_result_t<F&, CDrvPrint&>>;
        ValueEntry e;
        if constexpr (std::is_same_v<std::remove_cv_t<T>, StepTag>) {
            e.get = [ref](CDrvPrint& d) mutable { return ref(d).str(); };
        } else if constexpr (requires(T& t) { t.load(); }) {
            using V = decltype(std::declval<T&>().load());
            e.get = [ref](CDrvPrint& d) mutable { return toText<V>(ref(d).load()); };
            e.set = [ref](CDrvPrint& d, const std::string& s) mutable { ref(d).store(fromText<V>(s)); };
        } else {
            e.get = [ref](CDrvPrint& d) mutable { return toText<std::remove_cv_t<T>>(ref(d)); };
            if constexpr (!std::is_const_v<T>)
                e.set = [ref](CDrvPrint& d, const std::string& s) mutable { ref(d) = fromText<T>(s); };
        }
        return e;
    }

    template <class R, class... A, size_t... I>
    static std::string invoke(CDrvPrint& d, R (CDrvPrint::*fn)(A...), const Args& args, std::index_sequence<I...>) {
        std::tuple<std::remove_cvref_t<A>...> values{fromText<std::remove_cvref_t<A>>(args[I])...};
        if constexpr (std::is_void_v<R>) {
            (d.*fn)(std::get<I>(values)...);
            return "done";
        } else {
            return toText<std::remove_cvref_t<R>>((d.*fn)(std::get<I>(values)...));
        }
    }

    std::map<std::string, ValueEntry> values_;
    std::map<std::string, CallFn> calls_;
    std::map<std::string, SimFn> sims_;
};

struct ConsoleRegistrar {
    explicit ConsoleRegistrar(void (*add)(ConsoleTable&)) { add(ConsoleTable::instance()); }
};

} // namespace console
