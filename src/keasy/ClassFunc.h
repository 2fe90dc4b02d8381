#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "keasy/IFunc.h"

// Binders of a member function to an object and its arguments. The object is borrowed: it must
// outlive the binder and is never deleted by it. Arguments are stored by value, so a string
// passed by reference is copied when the binder is made and cannot dangle when it runs.
namespace keasy {

template <typename T, typename R>
class ClassFunc_0 final : public IFunc {
public:
    using Method = R (T::*)();

    ClassFunc_0(T* object, Method method) : method_(method), object_(object) {}

    void Invoke() override { (object_->*method_)(); }

private:
    Method method_;
    T* object_;
};

template <typename T, typename R, typename A>
class ClassFunc_1 final : public IFunc {
public:
    using Method = R (T::*)(A);

    template <typename Arg>
    ClassFunc_1(T* object, Method method, Arg&& arg)
        : arg_(std::forward<Arg>(arg)), method_(method), object_(object) {}

    void Invoke() override { (object_->*method_)(arg_); }

private:
    std::remove_cvref_t<A> arg_;
    Method method_;
    T* object_;
};

template <typename T, typename R, typename A1, typename A2>
class ClassFunc_2 final : public IFunc {
public:
    using Method = R (T::*)(A1, A2);

    template <typename Arg1, typename Arg2>
    ClassFunc_2(T* object, Method method, Arg1&& arg1, Arg2&& arg2)
        : arg1_(std::forward<Arg1>(arg1)),
          arg2_(std::forward<Arg2>(arg2)),
          object_(object),
          method_(method) {}

    void Invoke() override { (object_->*method_)(arg1_, arg2_); }

private:
    std::remove_cvref_t<A1> arg1_;
    std::remove_cvref_t<A2> arg2_;
    T* object_;
    Method method_;
};

// The class is deduced from the method alone, so a derived object binds to a base method.
template <typename T, typename R>
std::unique_ptr<IFunc> MakeClassFunc(std::type_identity_t<T>* object, R (T::*method)()) {
    return std::make_unique<ClassFunc_0<T, R>>(object, method);
}

template <typename T, typename R, typename A, typename Arg>
std::unique_ptr<IFunc> MakeClassFunc(std::type_identity_t<T>* object, R (T::*method)(A),
                                     Arg&& arg) {
    return std::make_unique<ClassFunc_1<T, R, A>>(object, method, std::forward<Arg>(arg));
}

template <typename T, typename R, typename A1, typename A2, typename Arg1, typename Arg2>
std::unique_ptr<IFunc> MakeClassFunc(std::type_identity_t<T>* object, R (T::*method)(A1, A2),
                                     Arg1&& arg1, Arg2&& arg2) {
    return std::make_unique<ClassFunc_2<T, R, A1, A2>>(object, method, std::forward<Arg1>(arg1),
                                                       std::forward<Arg2>(arg2));
}

}  // namespace keasy
