<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>DialogCan</name>
    <message>
        <source>Can设置</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>波特率：</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>250k</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>500k</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1M</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>输出类型：</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>航迹</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>点迹</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>距离</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备号：</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>采样时间：</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ms</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发送</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <extracomment>Stays in Chinese in every language: no catalogue translates this dialog.</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DialogCeLiang</name>
    <message>
        <source>测量距离</source>
        <translation>Distance Measurement</translation>
    </message>
    <message>
        <source>测量距离：</source>
        <translation>Measured distance:</translation>
    </message>
    <message>
        <source>m</source>
        <translation>m</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
</context>
<context>
    <name>DialogFrameLimt</name>
    <message>
        <source>继电器灵敏度</source>
        <translation>Relay Sensitivity</translation>
    </message>
    <message>
        <source>预警区继电器灵敏度：</source>
        <translation>Warning zone relay sensitivity:</translation>
    </message>
    <message>
        <source>报警区继电器灵敏度：</source>
        <translation>Alarm zone relay sensitivity:</translation>
    </message>
    <message>
        <source>数值越小，灵敏度越高</source>
        <translation>The smaller the value, the higher the sensitivity</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
</context>
<context>
    <name>DialogGetData</name>
    <message>
        <source>数据采集</source>
        <translation>Data Sampling</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>开始采集</source>
        <translation>Start Sampling</translation>
    </message>
    <message>
        <source>终止采集</source>
        <translation>Stop Sampling</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>串口已关闭</source>
        <translation>The serial port is closed</translation>
    </message>
    <message>
        <source>/采样数据</source>
        <translation>/Sampled Data</translation>
    </message>
    <message>
        <source>无法创建文件：</source>
        <translation>Cannot create file: </translation>
    </message>
    <message>
        <source>成功</source>
        <translation>Completed successfully</translation>
    </message>
    <message>
        <source>数据采集成功：</source>
        <translation>Data sampled successfully: </translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>是否确定终止采集并保存当前数据？</source>
        <translation>Stop sampling and keep the data gathered so far?</translation>
    </message>
</context>
<context>
    <name>DialogSpinBos</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>DialogUpdate</name>
    <message>
        <source>软件升级</source>
        <translation>Firmware Upgrade</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>正在升级中，可能需要几分钟</source>
        <translation>Upgrading, this may take a few minutes</translation>
    </message>
    <message>
        <source>串口连接失败</source>
        <translation>Serial connection failed</translation>
    </message>
    <message>
        <source>升级文件缺失</source>
        <translation>An upgrade file is missing</translation>
    </message>
    <message>
        <source>数据通讯没有回复</source>
        <translation>The radar did not answer the start packet</translation>
    </message>
    <message>
        <source>存在升级文件无法打开</source>
        <translation>An upgrade file cannot be opened</translation>
    </message>
    <message>
        <source>升级命令没有回复</source>
        <translation>The radar did not answer a data packet</translation>
    </message>
    <message>
        <source>重发请求超过%1次</source>
        <translation>A packet was refused %1 times</translation>
    </message>
    <message>
        <source>后续处理无返回</source>
        <translation>No report from the radar after the transfer</translation>
    </message>
    <message>
        <source>未知回复</source>
        <translation>Unknown reply</translation>
    </message>
    <message>
        <source>擦除</source>
        <translation>Erase</translation>
    </message>
    <message>
        <source>烧录</source>
        <translation>Burn</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>升级出错: </source>
        <translation>Upgrade error: </translation>
    </message>
    <message>
        <source>升级文件夹不存在：%1</source>
        <translation>Upgrade folder not found: %1</translation>
    </message>
    <message>
        <source>升级文件缺失：%1</source>
        <translation>Upgrade file missing: %1</translation>
    </message>
    <message>
        <source>升级文件无法打开：%1</source>
        <translation>Upgrade file cannot be read: %1</translation>
    </message>
    <message>
        <source>雷达在升级程序中等待：请重启雷达后重新连接，或再次运行升级</source>
        <translation>The radar is waiting in its loader: restart it and connect again, or run the upgrade again</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>与雷达的连接已中断：</source>
        <translation>Connection to the radar lost: </translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>雷达探测场景</source>
        <translation>Radar Detection Scene</translation>
    </message>
    <message>
        <source>探测距离</source>
        <translation>Detection Distance</translation>
    </message>
    <message>
        <source>至</source>
        <translation>to</translation>
    </message>
    <message>
        <source>预警距离</source>
        <translation>Warning Distance</translation>
    </message>
    <message>
        <source>报警距离</source>
        <translation>Alarm Distance</translation>
    </message>
    <message>
        <source>左右边界</source>
        <translation>Left/Right Boundary</translation>
    </message>
    <message>
        <source>探测角度</source>
        <translation>Detection Angle</translation>
    </message>
    <message>
        <source>网格边长</source>
        <translation>Cell Size</translation>
    </message>
    <message>
        <source>目标方向</source>
        <translation>Target Direction</translation>
    </message>
    <message>
        <source>不区分</source>
        <translation>Both Directions</translation>
    </message>
    <message>
        <source>接近雷达</source>
        <translation>Approaching</translation>
    </message>
    <message>
        <source>远离雷达</source>
        <translation>Moving Away</translation>
    </message>
    <message>
        <source>目标类型</source>
        <translation>Target Type</translation>
    </message>
    <message>
        <source>不筛选目标</source>
        <translation>All Targets</translation>
    </message>
    <message>
        <source>只预警行人</source>
        <translation>Warn of Pedestrians Only</translation>
    </message>
    <message>
        <source>只预警车辆</source>
        <translation>Warn of Vehicles Only</translation>
    </message>
    <message>
        <source>显示航迹</source>
        <translation>Show Tracks</translation>
    </message>
    <message>
        <source>选择非报警区域</source>
        <translation>Mark Non-alarm Cells</translation>
    </message>
    <message>
        <source>显示检测区域</source>
        <translation>Show Detection Area</translation>
    </message>
    <message>
        <source>发送雷达场景参数</source>
        <translation>Send Radar Scene Parameters</translation>
    </message>
    <message>
        <source>结果查询</source>
        <translation>Query Results</translation>
    </message>
    <message>
        <source>保存参数设置</source>
        <translation>Save to Flash</translation>
    </message>
    <message>
        <source>雷达信息</source>
        <translation>Radar Information</translation>
    </message>
    <message>
        <source>设备类型：</source>
        <translation>Device Type: </translation>
    </message>
    <message>
        <source>序列编号：</source>
        <translation>Serial Number: </translation>
    </message>
    <message>
        <source>站点编号：</source>
        <translation>Station Number: </translation>
    </message>
    <message>
        <source>报警</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>预警</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>探测</source>
        <translation>Detection</translation>
    </message>
    <message>
        <source>报警区内有目标时闪烁</source>
        <translation>Flashes while a target is inside the alarm zone</translation>
    </message>
    <message>
        <source>预警区内有目标时闪烁</source>
        <translation>Flashes while a target is inside the warning zone</translation>
    </message>
    <message>
        <source>探测区内有目标时闪烁</source>
        <translation>Flashes while a target is inside the detection zone</translation>
    </message>
    <message>
        <source>    ：行人</source>
        <translation>    : Pedestrians</translation>
    </message>
    <message>
        <source>    ：车辆</source>
        <translation>    : Vehicles</translation>
    </message>
    <message>
        <source>    ：静目标</source>
        <translation>    : Stationary</translation>
    </message>
    <message>
        <source>    ：动目标</source>
        <translation>    : Moving</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>固件升级</source>
        <translation>Firmware Upgrade</translation>
    </message>
    <message>
        <source>数据采集</source>
        <translation>Data Sampling</translation>
    </message>
    <message>
        <source>测量距离</source>
        <translation>Distance Measurement</translation>
    </message>
    <message>
        <source>继电器灵敏度</source>
        <translation>Relay Sensitivity</translation>
    </message>
    <message>
        <source>Can设置</source>
        <translation>CAN Settings</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>Export Configuration</translation>
    </message>
    <message>
        <source>导入配置</source>
        <translation>Import Configuration</translation>
    </message>
    <message>
        <source>无法打开串口：</source>
        <translation>Cannot open serial port: </translation>
    </message>
    <message>
        <source>串口成功连接：</source>
        <translation>Serial port connected successfully: </translation>
    </message>
    <message>
        <source>行人</source>
        <translation>Pedestrians</translation>
    </message>
    <message>
        <source>车辆</source>
        <translation>Vehicles</translation>
    </message>
    <message>
        <source>静目标</source>
        <translation>Stationary</translation>
    </message>
    <message>
        <source>动目标</source>
        <translation>Moving</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>未知设备ID</source>
        <translation>Unknown device type</translation>
    </message>
    <message>
        <source>保存设置</source>
        <translation>Save to Flash</translation>
    </message>
    <message>
        <source>保存设置成功，请重启设备！</source>
        <translation>Saved to flash successfully. Restart the radar.</translation>
    </message>
    <message>
        <source>重连</source>
        <translation>Reconnect</translation>
    </message>
    <message>
        <source>雷达探测区域设置失败</source>
        <translation>Setting the radar detection area failed</translation>
    </message>
    <message>
        <source>雷达报警区域设置失败</source>
        <translation>Setting the radar alarm area failed</translation>
    </message>
    <message>
        <source>发送雷达目标属性筛选消息失败</source>
        <translation>Sending the radar target filter failed</translation>
    </message>
    <message>
        <source>起始探测距离设置失败</source>
        <translation>Setting the start detection distance failed</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>雷达场景参数设置成功</source>
        <translation>Radar scene parameters set successfully</translation>
    </message>
    <message>
        <source>设置失败</source>
        <translation>Setting failed</translation>
    </message>
    <message>
        <source>站点号</source>
        <translation>Station Number</translation>
    </message>
    <message>
        <source>发送雷达探测区域设置命令：</source>
        <translation>Send radar detection area setting command: </translation>
    </message>
    <message>
        <source>雷达探测区域设置返回：</source>
        <translation>Radar detection area setting reply: </translation>
    </message>
    <message>
        <source>雷达探测区域设置命令：超时或无返回值</source>
        <translation>Radar detection area setting command: timed out or no reply</translation>
    </message>
    <message>
        <source>发送雷达报警区域设置命令：</source>
        <translation>Send radar alarm area setting command: </translation>
    </message>
    <message>
        <source>雷达报警区域设置返回：</source>
        <translation>Radar alarm area setting reply: </translation>
    </message>
    <message>
        <source>雷达报警区域设置命令：超时或无返回值</source>
        <translation>Radar alarm area setting command: timed out or no reply</translation>
    </message>
    <message>
        <source>发送发送雷达虚警抑制区域命令：</source>
        <translation>Send radar false-alarm suppression area command: </translation>
    </message>
    <message>
        <source>发送雷达虚警抑制区域返回：</source>
        <translation>Radar false-alarm suppression area reply: </translation>
    </message>
    <message>
        <source>发送雷达虚警抑制区域命令：超时或无返回值</source>
        <translation>Radar false-alarm suppression area command: timed out or no reply</translation>
    </message>
    <message>
        <source>雷达探测结果查询命令：</source>
        <translation>Radar detection result query command: </translation>
    </message>
    <message>
        <source>雷达探测结果查询返回：</source>
        <translation>Radar detection result query reply: </translation>
    </message>
    <message>
        <source>雷达探测结果查询命令：超时或无返回值</source>
        <translation>Radar detection result query command: timed out or no reply</translation>
    </message>
    <message>
        <source>雷达探测结果查询返回：消息长度不正确%1/%2</source>
        <translation>Radar detection result query reply: wrong message length %1/%2</translation>
    </message>
    <message>
        <source>雷达探测结果查询返回：同步头不正确</source>
        <translation>Radar detection result query reply: wrong sync header</translation>
    </message>
    <message>
        <source>测试命令：</source>
        <translation>Test command: </translation>
    </message>
    <message>
        <source>测试命令返回：</source>
        <translation>Test command reply: </translation>
    </message>
    <message>
        <source>测试命令：超时或无返回值</source>
        <translation>Test command: timed out or no reply</translation>
    </message>
    <message>
        <source>测试命令：消息长度不正确%1/%2</source>
        <translation>Test command: wrong message length %1/%2</translation>
    </message>
    <message>
        <source>测试命令：同步头不正确</source>
        <translation>Test command: wrong sync header</translation>
    </message>
    <message>
        <source>发送雷达目标属性筛选消息：</source>
        <translation>Send radar target filter command: </translation>
    </message>
    <message>
        <source>雷达目标属性筛选消息返回：</source>
        <translation>Radar target filter reply: </translation>
    </message>
    <message>
        <source>雷达目标属性筛选消息：超时或无返回值</source>
        <translation>Radar target filter command: timed out or no reply</translation>
    </message>
    <message>
        <source>发送起始探测距离：</source>
        <translation>Send start detection distance: </translation>
    </message>
    <message>
        <source>起始探测距离返回：</source>
        <translation>Start detection distance reply: </translation>
    </message>
    <message>
        <source>起始探测距离：超时或无返回值</source>
        <translation>Start detection distance: timed out or no reply</translation>
    </message>
    <message>
        <source>发送CAN参数设置命令：</source>
        <translation>Send CAN parameter setting command: </translation>
    </message>
    <message>
        <source>CAN参数设置返回：</source>
        <translation>CAN parameter setting reply: </translation>
    </message>
    <message>
        <source>CAN参数设置命令：超时或无返回值</source>
        <translation>CAN parameter setting command: timed out or no reply</translation>
    </message>
    <message>
        <source>发送读取雷达探测区域设置信息命令：</source>
        <translation>Send read radar detection area settings command: </translation>
    </message>
    <message>
        <source>读取雷达探测区域设置信息返回：</source>
        <translation>Read radar detection area settings reply: </translation>
    </message>
    <message>
        <source>读取雷达探测区域设置信息命令：超时或无返回值</source>
        <translation>Read radar detection area settings command: timed out or no reply</translation>
    </message>
    <message>
        <source>读取雷达探测区域设置信息返回：长度不正确</source>
        <translation>Read radar detection area settings reply: wrong length</translation>
    </message>
    <message>
        <source>读取雷达探测区域设置信息返回：同步字不正确</source>
        <translation>Read radar detection area settings reply: wrong sync word</translation>
    </message>
    <message>
        <source>发送读取雷达报警区域设置信息命令：</source>
        <translation>Send read radar alarm area settings command: </translation>
    </message>
    <message>
        <source>读取雷达报警区域设置信息返回：</source>
        <translation>Read radar alarm area settings reply: </translation>
    </message>
    <message>
        <source>读取雷达报警区域设置信息命令：超时或无返回值</source>
        <translation>Read radar alarm area settings command: timed out or no reply</translation>
    </message>
    <message>
        <source>雷达报警区域设置信息返回：长度不正确</source>
        <translation>Radar alarm area settings reply: wrong length</translation>
    </message>
    <message>
        <source>读取雷达报警区域设置信息返回：同步字不正确</source>
        <translation>Read radar alarm area settings reply: wrong sync word</translation>
    </message>
    <message>
        <source>发送读取雷达虚警抑制区域信息命令：</source>
        <translation>Send read radar false-alarm suppression area command: </translation>
    </message>
    <message>
        <source>读取雷达虚警抑制区域信息返回：</source>
        <translation>Read radar false-alarm suppression area reply: </translation>
    </message>
    <message>
        <source>读取雷达虚警抑制区域信息命令：超时或无返回值</source>
        <translation>Read radar false-alarm suppression area command: timed out or no reply</translation>
    </message>
    <message>
        <source>雷达虚警抑制区域信息返回：长度不正确</source>
        <translation>Radar false-alarm suppression area reply: wrong length</translation>
    </message>
    <message>
        <source>读取雷达虚警抑制区域信息返回：同步字不正确</source>
        <translation>Read radar false-alarm suppression area reply: wrong sync word</translation>
    </message>
    <message>
        <source>发送读取ID命令：</source>
        <translation>Send read ID command: </translation>
    </message>
    <message>
        <source>读取ID返回：</source>
        <translation>Read ID reply: </translation>
    </message>
    <message>
        <source>读取ID命令：超时或无返回值</source>
        <translation>Read ID command: timed out or no reply</translation>
    </message>
    <message>
        <source>读取ID返回：长度不正确</source>
        <translation>Read ID reply: wrong length</translation>
    </message>
    <message>
        <source>读取ID返回：同步字不正确</source>
        <translation>Read ID reply: wrong sync word</translation>
    </message>
    <message>
        <source>发送设置ID命令：</source>
        <translation>Send set ID command: </translation>
    </message>
    <message>
        <source>设置ID返回：</source>
        <translation>Set ID reply: </translation>
    </message>
    <message>
        <source>设置ID命令：超时或无返回值</source>
        <translation>Set ID command: timed out or no reply</translation>
    </message>
    <message>
        <source>发送保存设置到flash命令：</source>
        <translation>Send save settings to flash command: </translation>
    </message>
    <message>
        <source>保存设置到flash返回：</source>
        <translation>Save settings to flash reply: </translation>
    </message>
    <message>
        <source>保存设置到flash命令：超时或无返回值</source>
        <translation>Save settings to flash command: timed out or no reply</translation>
    </message>
    <message>
        <source>发送软件升级命令：</source>
        <translation>Send firmware upgrade command: </translation>
    </message>
    <message>
        <source>软件升级返回：</source>
        <translation>Firmware upgrade reply: </translation>
    </message>
    <message>
        <source>软件升级：超时或无返回值</source>
        <translation>Firmware upgrade: timed out or no reply</translation>
    </message>
    <message>
        <source>发送读取雷达属性筛选信息：</source>
        <translation>Send read radar target filter command: </translation>
    </message>
    <message>
        <source>读取雷达属性筛选信息：</source>
        <translation>Read radar target filter reply: </translation>
    </message>
    <message>
        <source>读取雷达属性筛选信息：超时或无返回值</source>
        <translation>Read radar target filter command: timed out or no reply</translation>
    </message>
    <message>
        <source>读取雷达属性筛选信息：长度不正确</source>
        <translation>Read radar target filter reply: wrong length</translation>
    </message>
    <message>
        <source>读取雷达属性筛选信息：同步字不正确</source>
        <translation>Read radar target filter reply: wrong sync word</translation>
    </message>
    <message>
        <source>发送读取起始探测距离：</source>
        <translation>Send read start detection distance: </translation>
    </message>
    <message>
        <source>读取起始探测距离：</source>
        <translation>Read start detection distance: </translation>
    </message>
    <message>
        <source>读取起始探测距离：超时或无返回值</source>
        <translation>Read start detection distance: timed out or no reply</translation>
    </message>
    <message>
        <source>读取起始探测距离：长度不正确</source>
        <translation>Read start detection distance: wrong length</translation>
    </message>
    <message>
        <source>读取起始探测距离：同步字不正确</source>
        <translation>Read start detection distance: wrong sync word</translation>
    </message>
    <message>
        <source>升级成功</source>
        <translation>Upgrade successful</translation>
    </message>
    <message>
        <source>升级成功，请重启设备！</source>
        <translation>Upgrade successful. Restart the radar.</translation>
    </message>
    <message>
        <source>校验雷达场景参数</source>
        <translation>Verify Radar Scene Parameters</translation>
    </message>
    <message>
        <source>导出配置报告</source>
        <translation>Export Configuration Report</translation>
    </message>
    <message>
        <source>导出日志</source>
        <translation>Export Log</translation>
    </message>
    <message>
        <source>保存雷达视图图片</source>
        <translation>Save Radar View Picture</translation>
    </message>
    <message>
        <source>雷达配置报告</source>
        <translation>Radar Configuration Report</translation>
    </message>
    <message>
        <source>日期时间：</source>
        <translation>Date and time:</translation>
    </message>
    <message>
        <source>未连接雷达：以下数值取自工具中的表单，未经雷达确认。</source>
        <translation>No radar connected: the values below are taken from the form in the tool and have not been confirmed by the radar.</translation>
    </message>
    <message>
        <source>设备类型</source>
        <translation>Device type</translation>
    </message>
    <message>
        <source>序列编号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>站点编号</source>
        <translation>Station number</translation>
    </message>
    <message>
        <source>预警继电器灵敏度</source>
        <translation>Warning relay sensitivity</translation>
    </message>
    <message>
        <source>报警继电器灵敏度</source>
        <translation>Alarm relay sensitivity</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>起始探测距离</source>
        <translation>Start distance</translation>
    </message>
    <message>
        <source>左边界</source>
        <translation>Left boundary</translation>
    </message>
    <message>
        <source>右边界</source>
        <translation>Right boundary</translation>
    </message>
    <message>
        <source>非报警区域网格</source>
        <translation>Non-alarm cells</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>网格中心点（厘米）：</source>
        <translation>Cell centre points (cm):</translation>
    </message>
    <message>
        <source>场景参数校验</source>
        <translation>Scene verification</translation>
    </message>
    <message>
        <source>本次未校验</source>
        <translation>Not verified in this session</translation>
    </message>
    <message>
        <source>雷达视图</source>
        <translation>Radar view</translation>
    </message>
    <message>
        <source>验收</source>
        <translation>Acceptance</translation>
    </message>
    <message>
        <source>验收人姓名：</source>
        <translation>Accepted by (name):</translation>
    </message>
    <message>
        <source>签字：</source>
        <translation>Signature:</translation>
    </message>
    <message>
        <source>日期：</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>报告无法写入：</source>
        <translation>The report cannot be written: </translation>
    </message>
    <message>
        <source>日志无法写入：</source>
        <translation>The log cannot be written: </translation>
    </message>
    <message>
        <source>图片无法写入：</source>
        <translation>The picture cannot be written: </translation>
    </message>
    <message>
        <source>未连接雷达，无法校验场景参数</source>
        <translation>No radar connected, the scene parameters cannot be verified</translation>
    </message>
    <message>
        <source>无法校验场景参数：雷达没有正确应答</source>
        <translation>The scene parameters could not be verified: the radar did not answer correctly</translation>
    </message>
    <message>
        <source>场景参数校验成功：雷达中的参数与工具中的一致</source>
        <translation>Scene verified successfully: the radar holds the parameters shown in the tool</translation>
    </message>
    <message>
        <source>%1：工具中 %2，雷达中 %3</source>
        <translation>%1: in the tool %2, in the radar %3</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>工具中</source>
        <translation>In the tool</translation>
    </message>
    <message>
        <source>雷达中</source>
        <translation>In the radar</translation>
    </message>
    <message>
        <source>串口%1不可用，未列出：%2</source>
        <translation>Serial port %1 cannot be used and is not listed: %2</translation>
    </message>
    <message>
        <source>串口已恢复，重新连接：</source>
        <translation>Serial port is back, reconnecting: </translation>
    </message>
    <message>
        <source>等待串口恢复：</source>
        <translation>Waiting for the serial port to come back: </translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation>Reconnect Automatically</translation>
    </message>
    <message>
        <source>链路统计</source>
        <translation>Link Statistics</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>串口：%1    轮询：%2 次/秒    回复时间：%3 ms</source>
        <translation>Port: %1    Polls: %2 /s    Reply time: %3 ms</translation>
    </message>
    <message>
        <source>超时：%1    错误回复：%2    重连：%3</source>
        <translation>Time-outs: %1    Bad replies: %2    Reconnects: %3</translation>
    </message>
    <message>
        <source>已停止等待串口恢复：</source>
        <translation>Stopped waiting for the port: </translation>
    </message>
    <message>
        <source>这是一个文件夹，不是串口</source>
        <translation>This is a folder, not a serial port</translation>
    </message>
    <message>
        <source>这是一个普通文件，不是串口</source>
        <translation>This is a plain file, not a serial port</translation>
    </message>
    <message>
        <source>%1（序列号 %2，站点号 %3）</source>
        <translation>%1 (serial number %2, station %3)</translation>
    </message>
    <message>
        <source>重连后应答的不是断线前的雷达：找到%1，断线前是%2。已断开连接，不再等待串口恢复。</source>
        <translation>The radar that answered after reconnecting is not the one connected before the line was lost: found %1, before it was %2. Disconnected; no longer waiting for the port.</translation>
    </message>
    <message>
        <source>断线期间雷达中的场景参数被改变了，而界面上有未发送的修改。
保留未发送的修改吗？选“否”则采用雷达中的场景参数。</source>
        <translation>The radar's scene was changed while the line was lost, and the form has edits that were not sent.
Keep the unsent edits? Choose &quot;No&quot; to take the radar's scene.</translation>
    </message>
    <message>
        <source>重连后保留了未发送的修改</source>
        <translation>Unsent edits kept after reconnecting</translation>
    </message>
    <message>
        <source>重连后采用了雷达中的场景参数</source>
        <translation>Took the radar's scene after reconnecting</translation>
    </message>
    <message>
        <source>请求/回复（按命令）：</source>
        <translation>Requests/replies by command:</translation>
    </message>
    <message>
        <source>超时：%1</source>
        <translation>Time-outs: %1</translation>
    </message>
    <message>
        <source>同步字错误：%1</source>
        <translation>Wrong sync: %1</translation>
    </message>
    <message>
        <source>回复过短：%1</source>
        <translation>Short replies: %1</translation>
    </message>
    <message>
        <source>回复不完整：%1</source>
        <translation>Incomplete replies: %1</translation>
    </message>
    <message>
        <source>发送字节：%1</source>
        <translation>Bytes sent: %1</translation>
    </message>
    <message>
        <source>接收字节：%1</source>
        <translation>Bytes received: %1</translation>
    </message>
    <message>
        <source>最长回复时间：%1 ms</source>
        <translation>Longest reply time: %1 ms</translation>
    </message>
    <message>
        <source>自动重连次数：%1</source>
        <translation>Automatic reconnects: %1</translation>
    </message>
    <message>
        <source>串口不存在</source>
        <translation>The serial port does not exist</translation>
    </message>
    <message>
        <source>串口已被其他程序占用</source>
        <translation>The serial port is in use by another program</translation>
    </message>
    <message>
        <source>没有权限打开串口</source>
        <translation>No permission to open the serial port</translation>
    </message>
    <message>
        <source>没有权限打开串口：请将当前用户加入“%1”组（sudo usermod -aG %1 $USER），然后重新登录</source>
        <translation>No permission to open the serial port: add the current user to the group &quot;%1&quot; (sudo usermod -aG %1 $USER), then log in again</translation>
    </message>
    <message>
        <source>串口不支持所需的设置</source>
        <translation>The serial port does not support the settings required</translation>
    </message>
    <message>
        <source>串口无法使用</source>
        <translation>The serial port cannot be used</translation>
    </message>
    <message>
        <source>记录检测数据</source>
        <translation>Record Detection Data</translation>
    </message>
    <message>
        <source>检测数据记录写入失败：</source>
        <translation>Writing the detection recording failed: </translation>
    </message>
    <message>
        <source>无法创建检测数据记录文件：</source>
        <translation>Cannot create the detection recording file: </translation>
    </message>
    <message>
        <source>打开记录</source>
        <translation>Open Recording</translation>
    </message>
    <message>
        <source>回放</source>
        <translation>Replay</translation>
    </message>
    <message>
        <source>请先断开雷达，再打开记录</source>
        <translation>Disconnect the radar before opening a recording</translation>
    </message>
    <message>
        <source>检测数据记录 (*.sqlite);;所有文件 (*)</source>
        <translation>Detection recordings (*.sqlite);;All files (*)</translation>
    </message>
    <message>
        <source>无法打开记录：</source>
        <translation>Cannot open the recording: </translation>
    </message>
    <message>
        <source>回放记录：</source>
        <translation>Replaying recording: </translation>
    </message>
    <message>
        <source>退出回放</source>
        <translation>Replay ended</translation>
    </message>
    <message>
        <source>已删除旧的检测记录：</source>
        <translation>Removed an old detection recording: </translation>
    </message>
    <message>
        <source>检测数据记录积压过多，有 %1 帧没有记录</source>
        <translation>The detection recording fell too far behind; frames not recorded: %1</translation>
    </message>
    <message>
        <source>记录文件夹上限 recording/folderCapBytes 的值“%1”无效，改用默认值 %2 字节</source>
        <translation>The recording folder cap recording/folderCapBytes “%1” is not a size; the default of %2 bytes is used</translation>
    </message>
    <message numerus="yes">
        <source>场景参数校验失败：%n项不一致</source>
        <translation>
            <numerusform>Scene verification failed: %n item differs</numerusform>
            <numerusform>Scene verification failed: %n items differ</numerusform>
        </translation>
    </message>
    <message>
        <source>已断开与雷达的连接：</source>
        <translation>Disconnected from the radar: </translation>
    </message>
    <message>
        <source>采样数据已保存：</source>
        <translation>Sampled data saved: </translation>
    </message>
    <message>
        <source>雷达在升级程序中等待：%1</source>
        <translation>Radar waiting in its loader: %1</translation>
    </message>
    <message>
        <source>雷达仍在升级程序中：不再发送升级命令，重新发送升级文件</source>
        <translation>The radar is still in its loader: no upgrade command is sent, the upgrade goes straight to it</translation>
    </message>
    <message>
        <source>升级失败，雷达在升级程序中等待：请重启雷达后重新连接，或再次运行升级</source>
        <translation>Upgrade failed, the radar is waiting in its loader: restart it and connect again, or run the upgrade again</translation>
    </message>
    <message>
        <source>连接失败：端口 %1 上没有雷达应答（站号 %2）</source>
        <translation>Connection failed: no radar answered on port %1 (station %2)</translation>
    </message>
    <message>
        <source>连接失败：端口 %1 上的设备没有给出可用的身份信息（站号 %2）</source>
        <translation>Connection failed: the device on port %1 gave no usable identity (station %2)</translation>
    </message>
    <message>
        <source>正在读取…</source>
        <translation>Reading…</translation>
    </message>
    <message>
        <source>回放记录：%1</source>
        <translation>Replaying recording: %1</translation>
    </message>
    <message>
        <source>等待串口恢复</source>
        <translation>Waiting for the port to come back</translation>
    </message>
    <message>
        <source>此校验早于 %1 发送的场景参数，不能说明雷达中现在的场景</source>
        <translation>This verification is older than the scene sent at %1 and does not speak for the scene in the radar now</translation>
    </message>
    <message>
        <source>配置报告已保存：</source>
        <translation>Configuration report saved: </translation>
    </message>
    <message>
        <source>热力图</source>
        <translation>Heat map</translation>
    </message>
    <message>
        <source>只计每次进入报警区时目标所在的单元格</source>
        <translation>Count only the cells where targets stood when they entered the alarm zone</translation>
    </message>
    <message>
        <source>报警起点</source>
        <translation>Alarm starts</translation>
    </message>
    <message>
        <source>试算场景：已恢复记录的场景</source>
        <translation>Scene trial: the recorded scene is back</translation>
    </message>
    <message>
        <source>查找静止目标</source>
        <translation>Find Fixed Objects</translation>
    </message>
    <message>
        <source>整个记录</source>
        <translation>Whole recording</translation>
    </message>
    <message>
        <source>到当前时刻</source>
        <translation>Up to the replayed moment</translation>
    </message>
    <message>
        <source>自连接以来</source>
        <translation>Since the connection began</translation>
    </message>
    <message>
        <source>热力图：</source>
        <translation>Heat map: </translation>
    </message>
    <message>
        <source>没有打开的记录</source>
        <translation>No recording is open</translation>
    </message>
    <message>
        <source>正在读取记录，请稍候</source>
        <translation>The recording is being read, please wait</translation>
    </message>
    <message>
        <source>记录已关闭</source>
        <translation>The recording was closed</translation>
    </message>
    <message>
        <source>回放中，或连接满一分钟后可用</source>
        <translation>Available in replay, or after a minute of connection</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>记录中没有场景参数，无法划分区域</source>
        <translation>The recording holds no scene: its zones are not known</translation>
    </message>
    <message>
        <source>整个记录（%1 帧）</source>
        <translation>The whole recording (frames: %1)</translation>
    </message>
    <message>
        <source>自 %1 起的检测帧</source>
        <translation>Detection frames since %1</translation>
    </message>
    <message>
        <source>未连接雷达，也没有回放记录</source>
        <translation>No radar is connected and no recording is replayed</translation>
    </message>
    <message>
        <source>查找静止目标：停留至少 %1 s 的单元格 %2 个</source>
        <translation>Find fixed objects: cells with a stay of at least %1 s: %2</translation>
    </message>
    <message>
        <source>回放中只能在试算场景中标记单元格（回放栏的“试算场景”）</source>
        <translation>In replay, cells can be marked only in a scene trial ("Try Scene" on the replay bar)</translation>
    </message>
    <message>
        <source>已标记 %1 / %2 个非报警单元格；试算场景中的标记不会发送给雷达</source>
        <translation>%1 of %2 non-alarm cells marked; marks in a scene trial are never sent to a radar</translation>
    </message>
    <message>
        <source>已标记 %1 / %2 个非报警单元格；标记在发送雷达场景参数后生效</source>
        <translation>%1 of %2 non-alarm cells marked; marks take effect once the scene is sent</translation>
    </message>
    <message>
        <source>标为非报警单元格</source>
        <translation>Mark as Non-Alarm Cell</translation>
    </message>
    <message>
        <source>回放中只能在试算场景中标记单元格</source>
        <translation>In replay, cells can be marked only in a scene trial</translation>
    </message>
    <message>
        <source>单元格 %1 不在当前的网格内</source>
        <translation>Cell %1 is not in the current grid</translation>
    </message>
    <message>
        <source>单元格 %1 已是非报警单元格</source>
        <translation>Cell %1 is a non-alarm cell already</translation>
    </message>
    <message>
        <source>已有 %1 个非报警单元格，不能再标记</source>
        <translation>There are %1 non-alarm cells already: no more can be marked</translation>
    </message>
    <message>
        <source>单元格 %1 不在探测区域内，不能标为非报警单元格</source>
        <translation>Cell %1 is outside the detection area and cannot be a non-alarm cell</translation>
    </message>
    <message>
        <source>单元格 %1 标为非报警单元格后，站在这个单元格里的人不会再引起报警。
确定要标记吗？</source>
        <translation>Once cell %1 is a non-alarm cell, a person standing in it will raise no alarm.
Mark it?</translation>
    </message>
    <message>
        <source>试算场景：单元格 %1 已标为非报警单元格</source>
        <translation>Scene trial: cell %1 marked as a non-alarm cell</translation>
    </message>
    <message>
        <source>单元格 %1 已标为非报警单元格，发送雷达场景参数后生效</source>
        <translation>Cell %1 marked as a non-alarm cell; it takes effect once the scene is sent</translation>
    </message>
    <message>
        <source>试算场景：可以修改场景组中的参数和非报警单元格，修改不会发送给雷达</source>
        <translation>Scene trial: the scene values and the non-alarm cells can be edited; nothing is sent to a radar</translation>
    </message>
    <message>
        <source>试算场景结束</source>
        <translation>Scene trial ended</translation>
    </message>
    <message>
        <source>按此场景重算</source>
        <translation>Recount with This Scene</translation>
    </message>
    <message>
        <source>试算场景：</source>
        <translation>Scene trial: </translation>
    </message>
    <message>
        <source>试算场景：报警区进入 %1 次（记录的场景 %2 次），预警区 %3 次（%4 次），检测区 %5 次（%6 次）</source>
        <translation>Scene trial: alarm zone entries %1 (recorded scene %2), warning zone %3 (%4), detection zone %5 (%6)</translation>
    </message>
    <message>
        <source>导出完整场景...</source>
        <translation>Export Full Scene...</translation>
    </message>
    <message>
        <source>导入完整场景...</source>
        <translation>Import Full Scene...</translation>
    </message>
    <message>
        <source>验收当前场景</source>
        <translation>Accept Current Scene</translation>
    </message>
    <message>
        <source>雷达历史</source>
        <translation>Radar History</translation>
    </message>
    <message>
        <source>场景指纹：%1</source>
        <translation>Scene fingerprint: %1</translation>
    </message>
    <message>
        <source>未发送的修改：%1</source>
        <translation>Unsent changes: %1</translation>
    </message>
    <message>
        <source>雷达中的场景指纹：%1</source>
        <translation>Fingerprint of the radar's scene: %1</translation>
    </message>
    <message>
        <source>要发送的场景指纹：%1</source>
        <translation>Fingerprint of the scene to send: %1</translation>
    </message>
    <message>
        <source>表单中的场景与雷达中的相同，没有要改变的数值。</source>
        <translation>The form holds the radar's scene: no value would change.</translation>
    </message>
    <message>
        <source>将改变的数值（雷达中 → 表单中）：</source>
        <translation>Values that change (in the radar → in the form):</translation>
    </message>
    <message>
        <source>本次连接没有读到雷达中的场景，无法比较。将发送表单中的这些数值：</source>
        <translation>The radar's scene was not read on this connection, so nothing can be compared. These values of the form will be sent:</translation>
    </message>
    <message>
        <source>探测距离改变后这些非报警区域网格超出网格，不会发送：%1</source>
        <translation>With the new detection distance these non-alarm cells lie off the grid and will not be sent: %1</translation>
    </message>
    <message>
        <source>注意，这些数值相互矛盾：</source>
        <translation>Note, these values contradict each other:</translation>
    </message>
    <message>
        <source>发送吗？</source>
        <translation>Send?</translation>
    </message>
    <message>
        <source>与验收场景一致（%1 验收）</source>
        <translation>Same as the accepted scene (accepted %1)</translation>
    </message>
    <message>
        <source>与验收场景不一致（%1 验收）</source>
        <translation>Differs from the accepted scene (accepted %1)</translation>
    </message>
    <message>
        <source>未连接雷达，无法验收</source>
        <translation>No radar connected: nothing to accept</translation>
    </message>
    <message>
        <source>无法验收：雷达没有正确应答</source>
        <translation>Cannot accept: the radar did not answer correctly</translation>
    </message>
    <message>
        <source>雷达中的场景（指纹 %1）与表单（指纹 %2）不一致，没有验收。</source>
        <translation>The radar's scene (fingerprint %1) differs from the form (fingerprint %2): nothing was accepted.</translation>
    </message>
    <message>
        <source>验收没有保存：雷达历史无法写入</source>
        <translation>The acceptance was not stored: the radar history cannot be written</translation>
    </message>
    <message>
        <source>已验收当前场景：场景指纹 %1，验收人 %2</source>
        <translation>Scene accepted: fingerprint %1, accepted by %2</translation>
    </message>
    <message>
        <source>表单无法准确容纳这个场景，表单没有改变（场景中 → 表单能容纳的）：</source>
        <translation>The form cannot hold this scene exactly; the form is unchanged (in the scene → what the form can hold):</translation>
    </message>
    <message>
        <source>载入场景</source>
        <translation>Load Scene</translation>
    </message>
    <message>
        <source>回放时不能把场景载入表单</source>
        <translation>A scene cannot be loaded into the form during a replay</translation>
    </message>
    <message>
        <source>这个场景是为%1准备的，而表单当前对应%2。仍然载入吗？</source>
        <translation>This scene was made for a %1, while the form is set up for a %2. Load it all the same?</translation>
    </message>
    <message>
        <source>已把场景载入表单：%1，场景指纹 %2</source>
        <translation>Scene loaded into the form: %1, fingerprint %2</translation>
    </message>
    <message>
        <source>雷达历史无法写入：%1</source>
        <translation>The radar history cannot be written: %1</translation>
    </message>
    <message>
        <source>雷达 %1 的记录 #%2</source>
        <translation>entry #%2 of radar %1</translation>
    </message>
    <message>
        <source>雷达场景指纹：%1</source>
        <translation>Radar scene fingerprint: %1</translation>
    </message>
    <message>
        <source>雷达中的场景指纹</source>
        <translation>Fingerprint of the radar's scene</translation>
    </message>
    <message>
        <source>表单中的场景指纹</source>
        <translation>Fingerprint of the form's scene</translation>
    </message>
    <message>
        <source>雷达历史中没有这台雷达的验收记录</source>
        <translation>The radar history holds no acceptance of this radar</translation>
    </message>
    <message>
        <source>上次验收：%1，验收人 %2，场景指纹 %3</source>
        <translation>Last accepted: %1, by %2, fingerprint %3</translation>
    </message>
    <message>
        <source>验收备注：%1</source>
        <translation>Acceptance note: %1</translation>
    </message>
    <message>
        <source>验收记录所在的历史记录链完整</source>
        <translation>The history chain holding the acceptance is whole</translation>
    </message>
    <message>
        <source>验收记录所在的历史记录链不完整：%1</source>
        <translation>The history chain holding the acceptance is broken: %1</translation>
    </message>
    <message>
        <source>场景没有发送完：雷达中的场景未确认</source>
        <translation>The scene was not sent completely: the radar's scene is not confirmed</translation>
    </message>
    <message>
        <source>发送后的场景指纹：%1</source>
        <translation>Scene fingerprint after the send: %1</translation>
    </message>
    <message>
        <source>场景已发送，非报警区域网格没有应答：雷达中的场景未确认</source>
        <translation>Scene sent, the non-alarm cells got no answer: the radar's scene is not confirmed</translation>
    </message>
    <message>
        <source>探测距离改变，网格随之改变，非报警区域网格的去向：</source>
        <translation>The detection distance changed and the grid with it; where the non-alarm cells went:</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>%1 → 超出网格，已移除</source>
        <translation>%1 → off the grid, removed</translation>
    </message>
    <message>
        <source>导出完整场景</source>
        <translation>Export Full Scene</translation>
    </message>
    <message>
        <source>导入完整场景</source>
        <translation>Import Full Scene</translation>
    </message>
    <message>
        <source>雷达中的场景指纹：%1，工具中的场景指纹：%2</source>
        <translation>Fingerprint of the radar's scene: %1, of the tool's: %2</translation>
    </message>
    <message>
        <source>%1：%2 → %3</source>
        <translation>%1: %2 → %3</translation>
    </message>
    <message>
        <source>新增非报警区域网格：%1</source>
        <translation>Non-alarm cell added: %1</translation>
    </message>
    <message>
        <source>移除非报警区域网格：%1</source>
        <translation>Non-alarm cell removed: %1</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>预警距离 %1 不大于报警距离 %2：没有预警区</source>
        <translation>Warning distance %1 is not beyond the alarm distance %2: there is no warning zone</translation>
    </message>
    <message>
        <source>探测距离 %1 不大于预警距离 %2：预警区外没有探测区</source>
        <translation>Detection distance %1 is not beyond the warning distance %2: there is no detection zone beyond the warning zone</translation>
    </message>
    <message>
        <source>探测距离 %1 不大于报警距离 %2：报警区外没有探测区</source>
        <translation>Detection distance %1 is not beyond the alarm distance %2: there is no detection zone beyond the alarm zone</translation>
    </message>
    <message>
        <source>起始探测距离 %1 不小于报警距离 %2：没有报警区</source>
        <translation>Start distance %1 is not short of the alarm distance %2: there is no alarm zone</translation>
    </message>
    <message>
        <source>左边界 %1 不在右边界 %2 的左侧：通道为空</source>
        <translation>Left boundary %1 is not left of the right boundary %2: the lane is empty</translation>
    </message>
    <message>
        <source>通道预警雷达不使用预警区，但预警距离 %1 大于报警距离 %2</source>
        <translation>A channel early-warning radar has no warning zone, but the warning distance %1 is beyond the alarm distance %2</translation>
    </message>
    <message>
        <source>雷达中的场景指纹：%1，期望的场景指纹：%2</source>
        <translation>Scene fingerprint in the radar: %1, expected: %2</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>成功</source>
        <translation>success</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>通道预警雷达</source>
        <translation>Channel Early-warning Radar</translation>
    </message>
    <message>
        <source>区域安全扫描雷达</source>
        <translation>Area Safety Scanning Radar</translation>
    </message>
    <message>
        <source>避障雷达</source>
        <translation>Obstacle Avoidance Radar</translation>
    </message>
    <message>
        <source>毫米波安全雷达配置工具</source>
        <translation>Configuration tool for millimetre-wave safety radars</translation>
    </message>
    <message>
        <source>请给出一个记录文件和一个 CSV 文件</source>
        <translation>Give one recording and one CSV file</translation>
    </message>
    <message>
        <source>启动时回放记录 &lt;recording&gt;。</source>
        <translation>Replay the recording &lt;recording&gt; at start.</translation>
    </message>
    <message>
        <source>把记录 &lt;recording&gt; 的检测帧写入紧随其后的 CSV 文件后退出：--export-csv &lt;recording&gt; &lt;out.csv&gt;。</source>
        <translation>Write the detection frames of recording &lt;recording&gt; to the CSV file that follows it, then exit: --export-csv &lt;recording&gt; &lt;out.csv&gt;.</translation>
    </message>
    <message>
        <source>把记录 &lt;recording&gt; 的事件写入紧随其后的 CSV 文件后退出：--export-events &lt;recording&gt; &lt;out.csv&gt;。</source>
        <translation>Write the events of recording &lt;recording&gt; to the CSV file that follows it, then exit: --export-events &lt;recording&gt; &lt;out.csv&gt;.</translation>
    </message>
    <message>
        <source>请只给出 %1 或 %2 之一</source>
        <translation>Give either %1 or %2, not both</translation>
    </message>
    <message>
        <source>多余的参数：%1</source>
        <translation>Argument not used by any option: %1</translation>
    </message>
    <message>
        <source>把雷达历史按 JSON 行打印后退出（--history [SERIAL]：只打印一台雷达）。退出码 0 成功，1 无法读取，3 校验链断开。</source>
        <translation>Print the radar history as JSON lines and exit (--history [SERIAL]: one radar only). Exit status 0 success, 1 cannot read, 3 a chain is broken.</translation>
    </message>
    <message>
        <source>统计记录 &lt;recording&gt; 中各区域的进入次数和时间，以及静止目标所在的网格，然后退出。</source>
        <translation>Count the zone entries and times of recording &lt;recording&gt;, and the cells where something stood still, then exit.</translation>
    </message>
    <message>
        <source>与 --history 一起：检查雷达历史的校验链，指出第一条被改动的条目。</source>
        <translation>With --history: check the history's chains and name the first altered entry.</translation>
    </message>
    <message>
        <source>与 --analyse 一起：用场景文件 &lt;file&gt;（.cfg 或完整场景文件）重新统计。</source>
        <translation>With --analyse: count again with scene file &lt;file&gt; (.cfg or full scene file).</translation>
    </message>
    <message>
        <source>%1 只能与 %2 一起使用</source>
        <translation>%1 can only be used with %2</translation>
    </message>
    <message>
        <source>启动时选择串口 &lt;name&gt; 并连接。与 --read、--apply 或 --verify 一起时可以多次给出或用逗号分隔，依次处理每台雷达，一台失败不影响其他雷达。</source>
        <translation>Select serial port &lt;name&gt; at start and connect. With --read, --apply or --verify it may be given several times or as a comma-separated list: the radars are done one after another, and one that failed does not stop the others.</translation>
    </message>
    <message>
        <source>读取 --port 上雷达的身份和场景，写入完整场景文件 &lt;file&gt;（以 .cfg 结尾时写 64 字节的场景文件，不含非报警区域网格）。多个串口时在文件名的后缀前插入各雷达的序列号，例如 scene-0205000703.json，文件互不覆盖。</source>
        <translation>Read the identity and scene of the radar on --port and write the full scene file &lt;file&gt; (a name ending in .cfg writes the 64-byte scene file, which holds no non-alarm cells). With several ports each radar&apos;s serial number goes before the suffix, for example scene-0205000703.json, so that no file overwrites another.</translation>
    </message>
    <message>
        <source>把场景文件 &lt;file&gt;（完整场景文件或 64 字节的 .cfg）应用到 --port 上的雷达：雷达中的场景指纹与文件相同时不写入（unchanged），否则发送场景、读回，指纹相同才算成功（applied）。.cfg 不含非报警区域网格，雷达中的网格保持不变。设备类型与文件不同的雷达不写入。</source>
        <translation>Apply the scene file &lt;file&gt; (a full scene file or a 64-byte .cfg) to the radar on --port: nothing is written when the radar&apos;s scene fingerprint already equals the file&apos;s (unchanged); otherwise the scene is sent and read back, and only an equal fingerprint counts as success (applied). A .cfg holds no non-alarm cells: the radar&apos;s cells stay as they are. A radar of another device type than the file&apos;s is not written.</translation>
    </message>
    <message>
        <source>比较 --port 上雷达中的场景与场景文件 &lt;file&gt;，不写入（equal / different）。</source>
        <translation>Compare the scene of the radar on --port with the scene file &lt;file&gt; without writing (equal / different).</translation>
    </message>
    <message>
        <source>与 --analyse 一起：输出一个 JSON 对象；与 --read、--apply 或 --verify 一起：每台雷达输出一行 JSON 对象。</source>
        <translation>With --analyse: print one JSON object; with --read, --apply or --verify: one JSON object a line for each radar.</translation>
    </message>
    <message>
        <source>与 --apply 一起：应用成功后把场景保存到雷达的 flash（saved）。</source>
        <translation>With --apply: after a successful apply, save the scene to the radar&apos;s flash (saved).</translation>
    </message>
    <message>
        <source>与 --apply 一起：场景指纹相同也发送，设备类型与文件不同也写入。</source>
        <translation>With --apply: send even when the fingerprints are equal, and write to a radar of another device type.</translation>
    </message>
    <message>
        <source>--read、--apply 和 --verify 不显示窗口，也不需要显示器。它们的退出码：0 每台雷达都成功（--verify：都与文件一致）；1 参数或文件有误；2 至少一台雷达无法连接或某一步失败；3 --verify 发现不一致。2 和 3 同时出现时为 2。</source>
        <translation>--read, --apply and --verify show no window and need no display. Their exit status: 0 success on every radar (--verify: every radar equal to the file); 1 bad arguments or files; 2 at least one radar could not be reached or a step failed; 3 --verify found a difference. When both 2 and 3 happen, the status is 2.</translation>
    </message>
    <message>
        <source>%1 需要用 --port 给出至少一个串口</source>
        <translation>%1 needs at least one serial port given with --port</translation>
    </message>
    <message>
        <source>窗口只能连接一个串口：多个 --port 只用于 --read、--apply 和 --verify</source>
        <translation>The window connects to one serial port: several --port are only for --read, --apply and --verify</translation>
    </message>
</context>
<context>
    <name>RadarHistory</name>
    <message>
        <source>雷达 %1 的记录 #%2 被改动过：内容与其哈希不符</source>
        <translation>Entry #%2 of radar %1 was changed: its content does not match its hash</translation>
    </message>
    <message>
        <source>雷达 %1 的记录链在记录 #%2 处断开：之前有记录被删除，或这一条是后来插入的</source>
        <translation>The chain of radar %1 breaks at entry #%2: an entry before it was deleted, or this one was inserted later</translation>
    </message>
    <message>
        <source>雷达 %1 的记录 #%2 是在最后一条记录之后另外加入的</source>
        <translation>Entry #%2 of radar %1 was added after its last recorded entry</translation>
    </message>
    <message>
        <source>雷达 %1 的最后一条记录 #%2 被删除了</source>
        <translation>The last entry of radar %1 (#%2) was deleted</translation>
    </message>
    <message>
        <source>无法读取雷达历史</source>
        <translation>Cannot read the radar history</translation>
    </message>
    <message>
        <source>雷达历史文件正被另一个程序锁定：%1</source>
        <translation>The radar history is locked by another program: %1</translation>
    </message>
    <message>
        <source>雷达历史文件已损坏：%1（%2）</source>
        <translation>The radar history is damaged: %1 (%2)</translation>
    </message>
    <message>
        <source>雷达历史文件无法读写：%1（%2）</source>
        <translation>Cannot read or write the radar history: %1 (%2)</translation>
    </message>
    <message>
        <source>找不到雷达历史文件：%1</source>
        <translation>Radar history not found: %1</translation>
    </message>
    <message>
        <source>不是雷达历史文件：%1</source>
        <translation>Not a radar history: %1</translation>
    </message>
    <message>
        <source>无法打开雷达历史文件：%1（%2）</source>
        <translation>Cannot open the radar history: %1 (%2)</translation>
    </message>
    <message>
        <source>雷达历史文件的格式版本 %1 比本程序新（本程序支持到 %2）：%3</source>
        <translation>The radar history's format version %1 is newer than this program supports (up to %2): %3</translation>
    </message>
    <message>
        <source>缺少表或版本</source>
        <translation>tables or version missing</translation>
    </message>
    <message>
        <source>雷达历史没有打开</source>
        <translation>The radar history is not open</translation>
    </message>
    <message>
        <source>本机文件 %1</source>
        <translation>Local file %1</translation>
    </message>
    <message>
        <source>PostgreSQL 数据库 %1</source>
        <translation>PostgreSQL database %1</translation>
    </message>
    <message>
        <source>PostgreSQL 数据库（history/database 的设置无效）</source>
        <translation>PostgreSQL database (the history/database setting is not valid)</translation>
    </message>
    <message>
        <source>history/database 的设置既不是 postgresql:// 网址，也不是 key=value 形式的连接参数</source>
        <translation>The history/database setting is neither a postgresql:// URL nor connection options in the key=value form</translation>
    </message>
    <message>
        <source>history/database 的设置里不能写密码：请用环境变量 PGPASSWORD 或 .pgpass 文件</source>
        <translation>The history/database setting must not hold a password: use the PGPASSWORD environment variable or a .pgpass file</translation>
    </message>
    <message>
        <source>history/database 的设置里端口无效：%1</source>
        <translation>The history/database setting has an invalid port: %1</translation>
    </message>
    <message>
        <source>找不到 Qt 的 PostgreSQL 驱动（QPSQL）：请安装 libqt5sql5-psql 或 libqt6sql6-psql</source>
        <translation>Qt's PostgreSQL driver (QPSQL) is missing: install libqt5sql5-psql or libqt6sql6-psql</translation>
    </message>
    <message>
        <source>无法连接雷达历史数据库 %1：%2</source>
        <translation>Cannot connect to the radar history database %1: %2</translation>
    </message>
    <message>
        <source>雷达历史数据库 %1 无法读写：%2</source>
        <translation>Cannot read or write the radar history database %1: %2</translation>
    </message>
    <message>
        <source>数据库 %1 里已有别的程序的表，不是雷达历史</source>
        <translation>The database %1 holds another program's tables, not a radar history</translation>
    </message>
    <message>
        <source>%1；这条记录已留在本机，等服务器可用时发送</source>
        <translation>%1; the entry is kept on this computer and will be sent when the server is available</translation>
    </message>
    <message>
        <source>%1；本机也无法保存这条记录：%2</source>
        <translation>%1; the entry could not be kept on this computer either: %2</translation>
    </message>
    <message>
        <source>有 %1 条记录等待发送，但没有设置雷达历史数据库（history/database）</source>
        <translation>Entries waiting to be sent: %1, but no radar history database is set (history/database)</translation>
    </message>
    <message numerus="yes">
        <source>雷达历史完整：已检查 %n 条记录</source>
        <translation>
            <numerusform>Radar history intact: %n entry checked</numerusform>
            <numerusform>Radar history intact: %n entries checked</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RecordingFile</name>
    <message>
        <source>记录文件已损坏或不完整</source>
        <translation>The recording is damaged or incomplete</translation>
    </message>
    <message>
        <source>找不到记录文件：%1</source>
        <translation>Recording not found: %1</translation>
    </message>
    <message>
        <source>记录文件是空的：%1</source>
        <translation>The recording is empty: %1</translation>
    </message>
    <message>
        <source>无法读取记录文件：%1</source>
        <translation>Cannot read the recording: %1</translation>
    </message>
    <message>
        <source>不是检测记录文件：%1</source>
        <translation>Not a detection recording: %1</translation>
    </message>
    <message>
        <source>记录文件正在被另一个程序写入：%1</source>
        <translation>The recording is still being written by another instance: %1</translation>
    </message>
    <message>
        <source>记录文件的格式版本 %1 比本程序新（本程序支持到 %2）</source>
        <translation>The recording's format version %1 is newer than this program supports (up to %2)</translation>
    </message>
    <message>
        <source>记录中没有设备信息</source>
        <translation>The recording holds no device identity</translation>
    </message>
    <message>
        <source>无法写入文件：%1</source>
        <translation>Cannot write the file: %1</translation>
    </message>
    <message>
        <source>导出文件不能是记录文件本身，也不能是它旁边的日志或锁文件：%1</source>
        <translation>The export cannot be written onto the recording itself or the journal or lock file beside it: %1</translation>
    </message>
    <message>
        <source>文件已存在，且不是同类的导出文件，没有覆盖：%1</source>
        <translation>The file exists and is not an earlier export of the same kind; it was not replaced: %1</translation>
    </message>
</context>
<context>
    <name>RadarView</name>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
</context>
<context>
    <name>ReplayPanel</name>
    <message>
        <source>上一帧</source>
        <translation>Previous Frame</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>下一帧</source>
        <translation>Next Frame</translation>
    </message>
    <message>
        <source>速度：</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>事件：</source>
        <translation>Events:</translation>
    </message>
    <message>
        <source>选择一项，回放跳到它之前 5 秒</source>
        <translation>Choose an event to go to 5 s before it</translation>
    </message>
    <message>
        <source>导出目标数据</source>
        <translation>Export Targets</translation>
    </message>
    <message>
        <source>导出事件</source>
        <translation>Export Events</translation>
    </message>
    <message>
        <source>退出回放</source>
        <translation>Leave Replay</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>失败：</source>
        <translation> failed: </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>帧 %1 / %2，%3</source>
        <translation>Frame %1 / %2, %3</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>线路中断</source>
        <translation>Line lost</translation>
    </message>
    <message>
        <source>重新连接</source>
        <translation>Reconnected</translation>
    </message>
    <message>
        <source>报警区</source>
        <translation>alarm zone</translation>
    </message>
    <message>
        <source>预警区</source>
        <translation>warning zone</translation>
    </message>
    <message>
        <source>检测区</source>
        <translation>detection zone</translation>
    </message>
    <message>
        <source>进入%1</source>
        <translation>Entered %1</translation>
    </message>
    <message>
        <source>离开%1</source>
        <translation>Left %1</translation>
    </message>
    <message numerus="yes">
        <source>（目标 %1）</source>
        <translation>
            <numerusform> (target %1)</numerusform>
            <numerusform> (targets %1)</numerusform>
        </translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Recording stopped</translation>
    </message>
    <message>
        <source>修改场景，按记录的帧试算，不发送给雷达</source>
        <translation>Edit the scene and try it on the recorded frames; nothing is sent to a radar</translation>
    </message>
    <message>
        <source>试算场景</source>
        <translation>Try Scene</translation>
    </message>
    <message>
        <source>记录的场景</source>
        <translation>Recorded scene</translation>
    </message>
</context>
<context>
    <name>SceneFile</name>
    <message>
        <source>%1 到 %2 的整数</source>
        <translation>a whole number from %1 to %2</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>场景文件中 %1 的值 %2 无效，应为 %3</source>
        <translation>Scene file: %1 is %2, expected %3</translation>
    </message>
    <message>
        <source>网格的列表</source>
        <translation>a list of cells</translation>
    </message>
    <message>
        <source>场景文件中的非报警区域网格有 %1 个，最多 %2 个</source>
        <translation>The scene file has %1 non-alarm cells, at most %2 are allowed</translation>
    </message>
    <message>
        <source>场景文件中第 %1 个非报警区域网格无效：%2</source>
        <translation>Non-alarm cell %1 of the scene file is invalid: %2</translation>
    </message>
    <message>
        <source>场景文件已损坏或不完整：不是有效的 JSON</source>
        <translation>The scene file is damaged or incomplete: not valid JSON</translation>
    </message>
    <message>
        <source>不是雷达场景文件</source>
        <translation>Not a radar scene file</translation>
    </message>
    <message>
        <source>场景文件的格式版本无效：%1</source>
        <translation>Invalid scene file format version: %1</translation>
    </message>
    <message>
        <source>场景文件的格式版本 %1 比本程序新（本程序支持到 %2）</source>
        <translation>The scene file's format version %1 is newer than this program supports (up to %2)</translation>
    </message>
    <message>
        <source>场景文件含有未知的项：%1</source>
        <translation>Unknown items in the scene file: %1</translation>
    </message>
    <message>
        <source>场景文件缺少项：%1</source>
        <translation>Items missing from the scene file: %1</translation>
    </message>
    <message>
        <source>8 位十六进制数</source>
        <translation>8 hexadecimal digits</translation>
    </message>
    <message>
        <source>场景文件记录的指纹 %1 与其中的参数不符（按参数计算为 %2）</source>
        <translation>The fingerprint %1 stored in the scene file does not match its values (they give %2)</translation>
    </message>
    <message>
        <source>无法读取场景文件：%1</source>
        <translation>Cannot read the scene file: %1</translation>
    </message>
    <message>
        <source>文件过大，不是雷达场景文件：%1</source>
        <translation>File too large to be a radar scene file: %1</translation>
    </message>
    <message>
        <source>无法写入场景文件：%1（%2）</source>
        <translation>Cannot write the scene file: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>TripAnalysis</name>
    <message>
        <source>无法读取场景文件：%1</source>
        <translation>Cannot read the scene file: %1</translation>
    </message>
    <message>
        <source>场景文件不完整：%1 字节，应为 %2 字节</source>
        <translation>The scene file is incomplete: %1 bytes, %2 expected</translation>
    </message>
    <message>
        <source>场景文件的网格编号 %1 无效（应为 0 到 4）</source>
        <translation>The scene file's grid number %1 is not valid (0 to 4)</translation>
    </message>
    <message>
        <source>报警区</source>
        <translation>Alarm zone</translation>
    </message>
    <message>
        <source>预警区</source>
        <translation>Warning zone</translation>
    </message>
    <message>
        <source>检测区</source>
        <translation>Detection zone</translation>
    </message>
    <message>
        <source>%1：进入 %2 次，共 %3 s</source>
        <translation>%1: entries %2, %3 s in all</translation>
    </message>
    <message>
        <source>记录：%1</source>
        <translation>Recording: %1</translation>
    </message>
    <message>
        <source>记录的场景：</source>
        <translation>Recorded scene:</translation>
    </message>
    <message>
        <source>场景文件 %1：</source>
        <translation>Scene file %1:</translation>
    </message>
    <message>
        <source>静止目标（在报警区或预警区停留至少 %1 s 的单元格）：</source>
        <translation>Fixed objects (cells where a target stayed at least %1 s in the alarm or warning zone):</translation>
    </message>
    <message>
        <source>没有</source>
        <translation>None</translation>
    </message>
    <message>
        <source>(%1, %2)：%3 s，引起报警 %4 次</source>
        <translation>(%1, %2): %3 s, %4 alarm entries</translation>
    </message>
    <message>
        <source>记录中没有场景参数，无法分类：%1</source>
        <translation>The recording holds no scene to classify with: %1</translation>
    </message>
    <message>
        <source>场景文件是设备类型 %1 的，记录来自设备类型 %2</source>
        <translation>The scene file is for device type %1, the recording comes from device type %2</translation>
    </message>
    <message>
        <source>记录中没有检测帧：%1</source>
        <translation>The recording holds no detection frames: %1</translation>
    </message>
    <message>
        <source>找不到场景文件：%1</source>
        <translation>Scene file not found: %1</translation>
    </message>
    <message>
        <source>场景的网格边长 %1 cm 不是本工具的网格（0.25、0.5、1、1.5 或 2 m）</source>
        <translation>The scene's cell edge of %1 cm is not one of the tool's grids (0.25, 0.5, 1, 1.5 or 2 m)</translation>
    </message>
    <message>
        <source>场景的检测距离为 0，网格中没有单元格</source>
        <translation>The scene's detection range is 0: its grid has no cells</translation>
    </message>
    <message>
        <source>场景有 %1 个非报警单元格，最多 %2 个</source>
        <translation>The scene has %1 non-alarm cells, at most %2 are allowed</translation>
    </message>
    <message>
        <source>非报警单元格 (%1, %2) 不在场景的网格内</source>
        <translation>The non-alarm cell (%1, %2) is not on the scene's grid</translation>
    </message>
</context>
<context>
    <name>LogFilterBar</name>
    <message>
        <source>隐藏检测结果查询</source>
        <translation>Hide result queries</translation>
    </message>
    <message>
        <source>不显示每次轮询的请求和回复；导出的日志仍包含全部内容</source>
        <translation>Hide each poll's request and reply; the exported log still holds every line</translation>
    </message>
    <message>
        <source>筛选日志：只显示包含此文字的行</source>
        <translation>Filter the log: only lines containing this text</translation>
    </message>
</context>
<context>
    <name>FixedObjectsWindow</name>
    <message>
        <source>静止目标</source>
        <translation>Fixed Objects</translation>
    </message>
    <message>
        <source>目标在报警区或预警区内停留至少设定时间的单元格，在图上以方框标出。区域由本工具按目标到雷达的距离划分（与指示灯和检测记录相同）；把单元格标为非报警单元格不会改变本工具的计数，雷达自身的继电器逻辑不在本工具之内。</source>
        <translation>Cells where a target stayed in the alarm or warning zone for at least the set time, framed on the plot. The zones are the tool's own, by the target's distance from the radar (as for the lamps and the recordings); marking a cell as a non-alarm cell does not change the tool's counts, and the radar's own relay logic is outside the tool.</translation>
    </message>
    <message>
        <source>最短停留时间：</source>
        <translation>Shortest stay:</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>单元格中心 (cm)</source>
        <translation>Cell centre (cm)</translation>
    </message>
    <message>
        <source>停留时间</source>
        <translation>Time spent</translation>
    </message>
    <message>
        <source>引起报警</source>
        <translation>Alarms caused</translation>
    </message>
    <message>
        <source>非报警单元格</source>
        <translation>Non-alarm cell</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>%1：没有找到这样的单元格</source>
        <translation>%1: no such cell found</translation>
    </message>
    <message>
        <source>%1 次</source>
        <translation>%1</translation>
    </message>
    <message>
        <source>已标记</source>
        <translation>Marked</translation>
    </message>
    <message>
        <source>标为非报警单元格</source>
        <translation>Mark as non-alarm cell</translation>
    </message>
</context>
<context>
    <name>WhatIfWindow</name>
    <message>
        <source>试算场景</source>
        <translation>Tried Scene</translation>
    </message>
    <message>
        <source>在“雷达探测场景”中修改场景（区域、边界、筛选、起始距离、非报警单元格），然后按“按此场景重算”：记录中的每一帧按修改后的场景重新分类，与记录时的场景并排比较。分类由本工具自己完成，只按目标到雷达的距离划分区域（与指示灯和检测记录相同）；雷达自身的继电器逻辑不在本工具之内。试算的场景不会发送给雷达。</source>
        <translation>Edit the scene in "Radar Detection Scene" (zones, boundaries, filters, start distance, non-alarm cells), then press "Recount with This Scene": every recorded frame is classified again with the edited scene and compared side by side with the recorded scene. The classification is the tool's own, by the target's distance from the radar only (as for the lamps and the recordings); the radar's own relay logic is outside the tool. The tried scene is never sent to a radar.</translation>
    </message>
    <message>
        <source>按此场景重算</source>
        <translation>Recount with This Scene</translation>
    </message>
    <message>
        <source>恢复记录场景</source>
        <translation>Restore Recorded Scene</translation>
    </message>
    <message>
        <source>记录的场景</source>
        <translation>Recorded scene</translation>
    </message>
    <message>
        <source>报警区</source>
        <translation>Alarm zone</translation>
    </message>
    <message>
        <source>预警区</source>
        <translation>Warning zone</translation>
    </message>
    <message>
        <source>检测区</source>
        <translation>Detection zone</translation>
    </message>
    <message>
        <source>进入次数</source>
        <translation>Entries</translation>
    </message>
    <message>
        <source>在区内的时间</source>
        <translation>Time in the zone</translation>
    </message>
    <message>
        <source>%1 至 %2  %3（%4 s，目标 %5）</source>
        <translation>%1 to %2  %3 (%4 s, targets %5)</translation>
    </message>
</context>
<context>
    <name>DialogAcceptance</name>
    <message>
        <source>验收当前场景</source>
        <translation>Accept Current Scene</translation>
    </message>
    <message>
        <source>验收人姓名：</source>
        <translation>Name of the acceptor:</translation>
    </message>
    <message>
        <source>备注（可不填）：</source>
        <translation>Note (optional):</translation>
    </message>
    <message>
        <source>雷达中的场景与表单一致，场景指纹：%1</source>
        <translation>The radar holds the scene of the form, fingerprint %1</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>雷达历史</source>
        <translation>Radar History</translation>
    </message>
    <message>
        <source>序列编号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>设备类型</source>
        <translation>Device type</translation>
    </message>
    <message>
        <source>记录数</source>
        <translation>Entries</translation>
    </message>
    <message>
        <source>最近一次验收</source>
        <translation>Last acceptance</translation>
    </message>
    <message>
        <source>编号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>站点编号</source>
        <translation>Station number</translation>
    </message>
    <message>
        <source>之前的场景指纹</source>
        <translation>Fingerprint before</translation>
    </message>
    <message>
        <source>之后的场景指纹</source>
        <translation>Fingerprint after</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>详情</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>比较所选的两条记录</source>
        <translation>Compare the Two Selected Entries</translation>
    </message>
    <message>
        <source>载入到表单</source>
        <translation>Load into the Form</translation>
    </message>
    <message>
        <source>导出完整场景...</source>
        <translation>Export Full Scene...</translation>
    </message>
    <message>
        <source>雷达历史：%1</source>
        <translation>Radar history: %1</translation>
    </message>
    <message>
        <source>未验收</source>
        <translation>not accepted</translation>
    </message>
    <message>
        <source>%1 %2（场景指纹 %3）</source>
        <translation>%1 %2 (fingerprint %3)</translation>
    </message>
    <message>
        <source>连接时回读</source>
        <translation>read back at connect</translation>
    </message>
    <message>
        <source>发送场景</source>
        <translation>scene sent</translation>
    </message>
    <message>
        <source>保存到闪存</source>
        <translation>saved to flash</translation>
    </message>
    <message>
        <source>校验场景</source>
        <translation>scene verified</translation>
    </message>
    <message>
        <source>验收</source>
        <translation>accepted</translation>
    </message>
    <message>
        <source>修改站点编号</source>
        <translation>station number changed</translation>
    </message>
    <message>
        <source>设置继电器灵敏度</source>
        <translation>relay sensitivity set</translation>
    </message>
    <message>
        <source>设置CAN输出</source>
        <translation>CAN output set</translation>
    </message>
    <message>
        <source>固件升级</source>
        <translation>firmware upgraded</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>success</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>一致</source>
        <translation>equal</translation>
    </message>
    <message>
        <source>不一致</source>
        <translation>different</translation>
    </message>
    <message>
        <source>所选记录的场景无法读取：%1</source>
        <translation>The scene of the selected entry cannot be read: %1</translation>
    </message>
    <message>
        <source>记录 #%1（%2）→ 记录 #%3（%4）</source>
        <translation>Entry #%1 (%2) → entry #%3 (%4)</translation>
    </message>
    <message>
        <source>场景指纹：%1 → %2</source>
        <translation>Fingerprint: %1 → %2</translation>
    </message>
    <message>
        <source>两条记录的场景相同。</source>
        <translation>The two entries hold the same scene.</translation>
    </message>
    <message>
        <source>比较两条记录</source>
        <translation>Compare Two Entries</translation>
    </message>
    <message>
        <source>请选择两条带有场景的记录。</source>
        <translation>Select two entries that hold a scene.</translation>
    </message>
    <message>
        <source>请选择一条带有场景的记录。</source>
        <translation>Select one entry that holds a scene.</translation>
    </message>
    <message>
        <source>导出完整场景</source>
        <translation>Export Full Scene</translation>
    </message>
    <message>
        <source>（%1 条记录等待发送到服务器）</source>
        <translation> (%1 entries waiting for the server)</translation>
    </message>
</context>
<context>
    <name>BatchRunner</name>
    <message>
        <source>找不到要写入的文件夹：%1</source>
        <translation>The folder to write into does not exist: %1</translation>
    </message>
    <message>
        <source>场景文件无法读取：%1</source>
        <translation>Cannot read the scene file: %1</translation>
    </message>
    <message>
        <source>不是 64 字节的 .cfg 场景文件：%1</source>
        <translation>Not a 64-byte .cfg scene file: %1</translation>
    </message>
    <message>
        <source>.cfg 场景文件中有无效的数值：%1</source>
        <translation>The .cfg scene file holds invalid values: %1</translation>
    </message>
    <message>
        <source>连接，等待雷达就绪后读回身份和场景</source>
        <translation>Connecting; identity and scene read back once the radar has settled</translation>
    </message>
    <message>
        <source>无法打开串口 %1：%2</source>
        <translation>Cannot open serial port %1: %2</translation>
    </message>
    <message>
        <source>雷达没有给出身份</source>
        <translation>The radar did not give its identity</translation>
    </message>
    <message>
        <source>雷达没有给出场景</source>
        <translation>The radar did not give its scene</translation>
    </message>
    <message>
        <source>写入文件 %1</source>
        <translation>Writing file %1</translation>
    </message>
    <message>
        <source>没有写入 %1：本次已为另一台序列号相同的雷达写入了这个文件</source>
        <translation>%1 not written: this run already wrote it for another radar with the same serial number</translation>
    </message>
    <message>
        <source>文件无法写入：%1</source>
        <translation>Cannot write the file: %1</translation>
    </message>
    <message>
        <source>场景文件是为%1准备的，而这台雷达是%2：没有写入（--force 仍然写入）</source>
        <translation>The scene file was made for a %1, this radar is a %2: nothing written (--force writes all the same)</translation>
    </message>
    <message>
        <source>.cfg 场景文件中的数值超出了表单的范围：%1</source>
        <translation>The .cfg scene file holds values beyond the form&apos;s range: %1</translation>
    </message>
    <message>
        <source>表单无法容纳这个场景</source>
        <translation>The form cannot hold this scene</translation>
    </message>
    <message>
        <source>发送场景，场景指纹 %1</source>
        <translation>Sending the scene, fingerprint %1</translation>
    </message>
    <message>
        <source>场景没有发送完</source>
        <translation>The scene was not sent completely</translation>
    </message>
    <message>
        <source>读回发送中断后雷达中的场景</source>
        <translation>Reading back the radar&apos;s scene after the interrupted send</translation>
    </message>
    <message>
        <source>发送中断后雷达中的场景指纹：%1</source>
        <translation>scene fingerprint in the radar after the interrupted send: %1</translation>
    </message>
    <message>
        <source>发送中断后雷达没有应答读取：雷达中的场景未确认</source>
        <translation>after the interrupted send the radar did not answer the reads: its scene is not confirmed</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>读回雷达中的场景</source>
        <translation>Reading back the radar&apos;s scene</translation>
    </message>
    <message>
        <source>雷达没有应答读回</source>
        <translation>The radar did not answer the read-back</translation>
    </message>
    <message>
        <source>读回的场景指纹 %1 与文件的 %2 不同</source>
        <translation>The scene fingerprint read back, %1, differs from the file&apos;s, %2</translation>
    </message>
    <message>
        <source>保存到 flash</source>
        <translation>Saving to flash</translation>
    </message>
    <message>
        <source>雷达没有应答保存设置</source>
        <translation>The radar did not answer the flash save</translation>
    </message>
    <message>
        <source>读取雷达中的场景并与文件比较，场景指纹 %1</source>
        <translation>Reading the radar&apos;s scene and comparing it with the file, fingerprint %1</translation>
    </message>
    <message>
        <source>雷达没有应答读取</source>
        <translation>The radar did not answer the reads</translation>
    </message>
    <message>
        <source>[%1] %2</source>
        <translation>[%1] %2</translation>
    </message>
    <message>
        <source>[%1] 提示：%2</source>
        <translation>[%1] Message: %2</translation>
    </message>
    <message>
        <source>[%1] 问题（自动回答“是”）：%2</source>
        <translation>[%1] Question (answered Yes): %2</translation>
    </message>
    <message>
        <source>已读取，场景指纹 %1，写入 %2</source>
        <translation>read, scene fingerprint %1, written to %2</translation>
    </message>
    <message>
        <source>场景指纹 %1 已与文件的相同，没有写入</source>
        <translation>scene fingerprint %1 already equals the file&apos;s, nothing written</translation>
    </message>
    <message>
        <source>已应用，场景指纹 %1 → %2</source>
        <translation>applied, scene fingerprint %1 → %2</translation>
    </message>
    <message>
        <source>已应用并保存到 flash，场景指纹 %1 → %2</source>
        <translation>applied and saved to flash, scene fingerprint %1 → %2</translation>
    </message>
    <message>
        <source>与文件一致，场景指纹 %1</source>
        <translation>equal to the file, scene fingerprint %1</translation>
    </message>
    <message>
        <source>与文件不一致：雷达中的场景指纹 %1，文件的 %2</source>
        <translation>different from the file: scene fingerprint %1 in the radar, %2 in the file</translation>
    </message>
    <message>
        <source>失败（%1）：%2</source>
        <translation>failed (%1): %2</translation>
    </message>
    <message>
        <source>（.cfg 不含非报警区域网格：按雷达中的网格）</source>
        <translation> (a .cfg holds no non-alarm cells: the radar&apos;s own cells count)</translation>
    </message>
    <message>
        <source>（.cfg 不含非报警区域网格）</source>
        <translation> (a .cfg holds no non-alarm cells)</translation>
    </message>
    <message>
        <source>%1：%2 %3，站号 %4：%5</source>
        <translation>%1: %2 %3, station %4: %5</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
</TS>
