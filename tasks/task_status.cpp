#include "tasks/task_status.h"

#include <cstdio>

static const char* const StatusLabels[TaskStatusCount] = {"停止", "待機", "実行", "完了", "エラー"};

const char* TaskStatusLabel(int status) {
    return (status >= 0 && status < TaskStatusCount) ? StatusLabels[status] : "";
}

void FormatStatusCounts(int rows, const int counts[TaskStatusCount], char* text, size_t size) {
    snprintf(text, size, "  総数 = %4d  実行 = %4d  待機 = %4d  完了 = %4d  停止 = %4d  エラー = %4d", rows,
             counts[Running], counts[Waiting], counts[Done], counts[Stopped], counts[Error]);
}
