// The runtime errors' descriptions.
#include "platform/errors.h"

namespace rt {

std::wstring ErrorDescription(int number) {
    switch (number) {
        case kErrInvalidCall:
            return L"プロシージャの呼び出し、または引数が不正です。";
        case kErrOutOfMemory:
            return L"メモリが不足しています。";
        case kErrObjectNotSet:
            return L"オブジェクト変数または With ブロック変数が設定されていません。";
        case kErrInvalidProperty:
            return L"プロパティの値が不正です。";
        case kErrMinMaxResize:
            return L"最小化または最大化されているフォームは移動またはサイズ変更できません。";
        default:
            return L"アプリケーション定義またはオブジェクト定義のエラーです。";
    }
}

RuntimeError::RuntimeError(int number)
    : std::runtime_error("runtime error " + std::to_string(number)),
      number_(number),
      description_(ErrorDescription(number)) {}

}  // namespace rt
