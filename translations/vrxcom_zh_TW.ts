<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>vrx</name>
    <message>
        <source>Save image</source>
        <translation>儲存圖片</translation>
    </message>
    <message>
        <source>PNG images (*.png *.PNG)</source>
        <translation>PNG 圖片 (*.png *.PNG)</translation>
    </message>
    <message>
        <source>The image could not be saved as %1: %2</source>
        <translation>無法將圖片儲存為 %1：%2</translation>
    </message>
    <message>
        <source>%1 – %2, a sample every %3 s</source>
        <translation>%1 – %2，每 %3 秒一個取樣</translation>
    </message>
</context>
<context>
    <name>vrx::ChartMouse</name>
    <message>
        <source>Reset</source>
        <translation>重設</translation>
    </message>
    <message>
        <source>Save image</source>
        <translation>儲存圖片</translation>
    </message>
</context>
<context>
    <name>vrx::ComNaming</name>
    <message>
        <source>COM%1: no simulated line is available</source>
        <translation>COM%1：沒有可用的模擬線路</translation>
    </message>
    <message>
        <source>COM%1 does not exist</source>
        <translation>COM%1 不存在</translation>
    </message>
    <message>
        <source>simulated controllers</source>
        <translation>模擬控制器</translation>
    </message>
</context>
<context>
    <name>vrx::ComSelectForm</name>
    <message>
        <source>Select Port</source>
        <translation>選擇通訊埠</translation>
    </message>
    <message>
        <source>The configured serial port is not valid.</source>
        <translation>設定的序列埠無效。</translation>
    </message>
    <message>
        <source>Please choose another port.</source>
        <translation>請選擇其他通訊埠。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vrx::ComSettings</name>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>無法讀取 %1：%2</translation>
    </message>
    <message>
        <source>
in the settings file %1</source>
        <translation>
於設定檔 %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; in %2 is not a communication setting</source>
        <translation>%2 中的「%1」不是通訊設定</translation>
    </message>
</context>
<context>
    <name>vrx::CsvExport</name>
    <message>
        <source>Line %1 is not a data line of this record.</source>
        <translation>第 %1 行不是此紀錄的資料行。</translation>
    </message>
    <message>
        <source>Line 1 is not the header of a record file.</source>
        <translation>第 1 行不是紀錄檔的檔頭。</translation>
    </message>
    <message>
        <source>The record file cannot be read twice: %1</source>
        <translation>紀錄檔無法再次讀取：%1</translation>
    </message>
</context>
<context>
    <name>vrx::Exchange</name>
    <message>
        <source>Serial port is not open</source>
        <translation>序列埠未開啟</translation>
    </message>
</context>
<context>
    <name>vrx::ExchangeStats</name>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>Requests</source>
        <translation>要求次數</translation>
    </message>
    <message>
        <source>Time-outs</source>
        <translation>逾時次數</translation>
    </message>
    <message>
        <source>Check errors</source>
        <translation>檢查錯誤</translation>
    </message>
    <message>
        <source>Exceptions</source>
        <translation>例外回應</translation>
    </message>
    <message>
        <source>Last reply</source>
        <translation>上次回應</translation>
    </message>
    <message>
        <source>Mean reply</source>
        <translation>平均回應</translation>
    </message>
    <message>
        <source>Longest reply</source>
        <translation>最長回應</translation>
    </message>
</context>
<context>
    <name>vrx::FrameDecode</name>
    <message>
        <source>read %1 x%2</source>
        <translation>讀取 %1 x%2</translation>
    </message>
    <message>
        <source>1 word: %1</source>
        <translation>1 個字組：%1</translation>
    </message>
    <message>
        <source>%1 words: %2</source>
        <translation>%1 個字組：%2</translation>
    </message>
    <message>
        <source>write %1 = %2</source>
        <translation>寫入 %1 = %2</translation>
    </message>
    <message>
        <source>write %2 register(s) from %1</source>
        <translation>自 %1 起寫入 %2 個暫存器</translation>
    </message>
    <message>
        <source>function %1, %2 data bytes</source>
        <translation>功能碼 %1，%2 個資料位元組</translation>
    </message>
    <message>
        <source>illegal function</source>
        <translation>不合法的功能碼</translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation>不合法的資料位址</translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation>不合法的資料值</translation>
    </message>
    <message>
        <source>server device failure</source>
        <translation>從站裝置故障</translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation>已確認</translation>
    </message>
    <message>
        <source>server device busy</source>
        <translation>從站裝置忙碌</translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation>記憶體同位檢查錯誤</translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation>閘道路徑無法使用</translation>
    </message>
    <message>
        <source>gateway target device failed to respond</source>
        <translation>閘道目標裝置未回應</translation>
    </message>
    <message>
        <source>exception %1</source>
        <translation>例外 %1</translation>
    </message>
    <message>
        <source>not a whole ASCII frame</source>
        <translation>不是完整的 ASCII 訊框</translation>
    </message>
    <message>
        <source>too short for a frame</source>
        <translation>太短，不是訊框</translation>
    </message>
    <message>
        <source>exception %1: %2</source>
        <translation>例外 %1：%2</translation>
    </message>
    <message>
        <source>address %1, %2, %3 %4</source>
        <translation>位址 %1，%2，%3 %4</translation>
    </message>
    <message>
        <source>good</source>
        <translation>正確</translation>
    </message>
    <message>
        <source>bad</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>too short for a Modbus TCP frame</source>
        <translation>太短，不是 Modbus TCP 訊框</translation>
    </message>
    <message>
        <source>not Modbus TCP (protocol id %1)</source>
        <translation>不是 Modbus TCP（協定識別碼 %1）</translation>
    </message>
    <message>
        <source>transaction %1, unit %2, %3, length %4</source>
        <translation>交易 %1，單元 %2，%3，長度%4</translation>
    </message>
</context>
<context>
    <name>vrx::LineOwner</name>
    <message>
        <source>The line is in use by the %1</source>
        <translation>通訊線路正由 %1 使用中</translation>
    </message>
    <message>
        <source>command tester</source>
        <translation>命令測試器</translation>
    </message>
    <message>
        <source>Monitor</source>
        <translation>監控程式</translation>
    </message>
    <message>
        <source>Recorder</source>
        <translation>記錄程式</translation>
    </message>
    <message>
        <source>controller scan</source>
        <translation>控制器搜尋</translation>
    </message>
</context>
<context>
    <name>vrx::MonitorReply</name>
    <message>
        <source>illegal function </source>
        <translation>非法功能碼 </translation>
    </message>
    <message>
        <source>illegal address </source>
        <translation>非法位址 </translation>
    </message>
    <message>
        <source>illegal data </source>
        <translation>非法資料 </translation>
    </message>
    <message>
        <source>illegal command </source>
        <translation>非法命令 </translation>
    </message>
    <message>
        <source>illegal frame </source>
        <translation>非法訊框 </translation>
    </message>
    <message>
        <source>too few data </source>
        <translation>資料過少 </translation>
    </message>
    <message>
        <source>too many data </source>
        <translation>資料過多 </translation>
    </message>
    <message>
        <source>illegal ASCII </source>
        <translation>非法 ASCII 字元 </translation>
    </message>
    <message>
        <source>Time out</source>
        <translation>逾時</translation>
    </message>
    <message>
        <source>Received data does not match</source>
        <translation>接收資料不符</translation>
    </message>
    <message>
        <source>Write data not successed</source>
        <translation>資料寫入未成功</translation>
    </message>
    <message>
        <source>Reply check error</source>
        <translation>回應檢查碼錯誤</translation>
    </message>
    <message>
        <source>Reply from another address</source>
        <translation>回應來自其他站號</translation>
    </message>
    <message>
        <source>Reply to another function</source>
        <translation>回應為其他功能碼</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>未知錯誤</translation>
    </message>
</context>
<context>
    <name>vrx::NetEndpoint</name>
    <message>
        <source>HOST:PORT is missing</source>
        <translation>缺少 HOST:PORT</translation>
    </message>
    <message>
        <source>&apos;]&apos; is missing after the IPv6 address</source>
        <translation>IPv6 位址後缺少「]」</translation>
    </message>
    <message>
        <source>the port is missing</source>
        <translation>缺少埠號</translation>
    </message>
    <message>
        <source>the host is missing</source>
        <translation>缺少主機</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a host</source>
        <translation>「%1」不是主機</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a port (1 to 65535)</source>
        <translation>「%1」不是埠號（1 至 65535）</translation>
    </message>
    <message>
        <source>timeout &apos;%1&apos;: 0 to %2 ms</source>
        <translation>timeout「%1」：0 至 %2 ms</translation>
    </message>
    <message>
        <source>allow: &apos;%1&apos; is not an IPv4 address or an IPv6 address in brackets</source>
        <translation>allow：&apos;%1&apos; 不是 IPv4 位址，也不是括號內的 IPv6 位址</translation>
    </message>
    <message>
        <source>allow: at most %1 addresses</source>
        <translation>allow：最多 %1 個位址</translation>
    </message>
    <message>
        <source>allow= is for a listen: line, which takes callers</source>
        <translation>allow= 只用於接受來電的 listen: 線路</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos; (timeout=MS, allow=ADDRESSES)</source>
        <translation>未知的選項 &apos;%1&apos;（timeout=MS、allow=ADDRESSES）</translation>
    </message>
</context>
<context>
    <name>vrx::ParamFile</name>
    <message>
        <source>Write to file success</source>
        <translation>寫入檔案成功</translation>
    </message>
    <message>
        <source>Not a parameter file: line %1 holds &apos;%2&apos;</source>
        <translation>不是參數檔：第 %1 行為「%2」</translation>
    </message>
    <message>
        <source>Load file data success</source>
        <translation>載入檔案資料成功</translation>
    </message>
    <message>
        <source>Data length error !</source>
        <translation>資料長度錯誤！</translation>
    </message>
</context>
<context>
    <name>vrx::Parameters</name>
    <message>
        <source>SV</source>
        <translation>設定值 SV</translation>
    </message>
    <message>
        <source>Output 1 %</source>
        <translation>輸出 1 %</translation>
    </message>
    <message>
        <source>Output 2 %</source>
        <translation>輸出 2 %</translation>
    </message>
    <message>
        <source>Range Hi</source>
        <translation>範圍上限</translation>
    </message>
    <message>
        <source>Range Lo</source>
        <translation>範圍下限</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>上</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>下</translation>
    </message>
    <message>
        <source>Pb</source>
        <translation>比例帶</translation>
    </message>
    <message>
        <source>Ti</source>
        <translation>積分時間</translation>
    </message>
    <message>
        <source>Td</source>
        <translation>微分時間</translation>
    </message>
    <message>
        <source>I Offset</source>
        <translation>積分偏移</translation>
    </message>
    <message>
        <source>PD Offset</source>
        <translation>PD 偏移</translation>
    </message>
    <message>
        <source>P Coefficient</source>
        <translation>比例係數</translation>
    </message>
    <message>
        <source>DeadBand</source>
        <translation>不感帶</translation>
    </message>
    <message>
        <source>Hystersis 1</source>
        <translation>遲滯 1</translation>
    </message>
    <message>
        <source>Hysterisis 2</source>
        <translation>遲滯 2</translation>
    </message>
    <message>
        <source>Tune Out High </source>
        <translation>調諧輸出上限 </translation>
    </message>
    <message>
        <source>Tune Out Low</source>
        <translation>調諧輸出下限</translation>
    </message>
    <message>
        <source>Ctrl. Period1</source>
        <translation>控制週期 1</translation>
    </message>
    <message>
        <source>Ctrl. Period2</source>
        <translation>控制週期 2</translation>
    </message>
    <message>
        <source>PV Offset</source>
        <translation>測量值偏移</translation>
    </message>
    <message>
        <source>RTD Offset</source>
        <translation>RTD 偏移</translation>
    </message>
    <message>
        <source>RTD Gain</source>
        <translation>RTD 增益</translation>
    </message>
    <message>
        <source>TC Offset</source>
        <translation>熱電偶偏移</translation>
    </message>
    <message>
        <source>TC Gain</source>
        <translation>熱電偶增益</translation>
    </message>
    <message>
        <source>Cold-J Offset</source>
        <translation>冷接點偏移</translation>
    </message>
    <message>
        <source>Linear Offset</source>
        <translation>線性偏移</translation>
    </message>
    <message>
        <source>Linear Gain</source>
        <translation>線性增益</translation>
    </message>
    <message>
        <source>ON-OFF</source>
        <translation>開關控制</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手動</translation>
    </message>
    <message>
        <source>Ramp Soak</source>
        <translation>斜率/持溫</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>運轉</translation>
    </message>
    <message>
        <source>Stop Program</source>
        <translation>停止程式</translation>
    </message>
    <message>
        <source>Hold Program</source>
        <translation>暫停程式</translation>
    </message>
    <message>
        <source>Heat</source>
        <translation>加熱</translation>
    </message>
    <message>
        <source>Cool</source>
        <translation>冷卻</translation>
    </message>
    <message>
        <source>Heat/Cool</source>
        <translation>加熱/冷卻</translation>
    </message>
    <message>
        <source>Cool/Heat</source>
        <translation>冷卻/加熱</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>停用</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>啟用</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Lock All</source>
        <translation>全部鎖定</translation>
    </message>
    <message>
        <source>Except SV</source>
        <translation>除 SV 外鎖定</translation>
    </message>
    <message>
        <source>Relay</source>
        <translation>繼電器</translation>
    </message>
    <message>
        <source>Voltage Pulse</source>
        <translation>電壓脈衝</translation>
    </message>
    <message>
        <source>None</source>
        <translation>無</translation>
    </message>
    <message>
        <source>Pattern-Step</source>
        <translation>組-段</translation>
    </message>
    <message>
        <source>Time Left</source>
        <translation>剩餘時間</translation>
    </message>
    <message>
        <source>Alarm Disable</source>
        <translation>警報停用</translation>
    </message>
    <message>
        <source>Up-Down Limit</source>
        <translation>上下限</translation>
    </message>
    <message>
        <source>Up Limit</source>
        <translation>上限</translation>
    </message>
    <message>
        <source>Down Limit</source>
        <translation>下限</translation>
    </message>
    <message>
        <source>Reverse Up-Down Limit</source>
        <translation>反向上下限</translation>
    </message>
    <message>
        <source>Absolute Up-Down Limit</source>
        <translation>絕對值上下限</translation>
    </message>
    <message>
        <source>Absolute Up Limit</source>
        <translation>絕對值上限</translation>
    </message>
    <message>
        <source>Absolute Down Limit</source>
        <translation>絕對值下限</translation>
    </message>
    <message>
        <source>Standby Up-Down Limit</source>
        <translation>待機上下限</translation>
    </message>
    <message>
        <source>Standby Up Limit</source>
        <translation>待機上限</translation>
    </message>
    <message>
        <source>Standby Down Limit</source>
        <translation>待機下限</translation>
    </message>
    <message>
        <source>Hysterics Up Limit</source>
        <translation>遲滯上限</translation>
    </message>
    <message>
        <source>Hysterics Down Limit</source>
        <translation>遲滯下限</translation>
    </message>
    <message>
        <source>CT Alarm</source>
        <translation>CT 警報</translation>
    </message>
    <message>
        <source>Alarm1</source>
        <translation>警報 1</translation>
    </message>
    <message>
        <source>Alarm2</source>
        <translation>警報 2</translation>
    </message>
    <message>
        <source>Alarm3</source>
        <translation>警報 3</translation>
    </message>
    <message>
        <source>Ctrl. Method</source>
        <translation>控制方式</translation>
    </message>
    <message>
        <source>Run/Stop</source>
        <translation>運轉/停止</translation>
    </message>
    <message>
        <source>Com. Write</source>
        <translation>通訊寫入</translation>
    </message>
    <message>
        <source>Auto tuning</source>
        <translation>自動調諧</translation>
    </message>
    <message>
        <source>Lock Status</source>
        <translation>鎖定狀態</translation>
    </message>
    <message>
        <source>Output Type1</source>
        <translation>輸出類型 1</translation>
    </message>
    <message>
        <source>Output Type2</source>
        <translation>輸出類型 2</translation>
    </message>
    <message>
        <source>Input Type</source>
        <translation>輸入類型</translation>
    </message>
    <message>
        <source>Pointer</source>
        <translation>小數點</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>單位</translation>
    </message>
    <message>
        <source>Alarm 1 Mode</source>
        <translation>警報 1 模式</translation>
    </message>
    <message>
        <source>Alarm 2 Mode</source>
        <translation>警報 2 模式</translation>
    </message>
    <message>
        <source>Alarm 3 Mode</source>
        <translation>警報 3 模式</translation>
    </message>
    <message>
        <source>System Alarm</source>
        <translation>系統警報</translation>
    </message>
</context>
<context>
    <name>vrx::PatternProgram</name>
    <message>
        <source>the start pattern</source>
        <translation>起始組</translation>
    </message>
    <message>
        <source>a step max.</source>
        <translation>最大段數</translation>
    </message>
    <message>
        <source>a loop count</source>
        <translation>循環次數</translation>
    </message>
    <message>
        <source>a link</source>
        <translation>連結組</translation>
    </message>
    <message>
        <source>a set value</source>
        <translation>設定值</translation>
    </message>
    <message>
        <source>an execute time</source>
        <translation>執行時間</translation>
    </message>
    <message>
        <source>%1 is out of range for %2 (%3 to %4)</source>
        <translation>%1 超出%2的範圍（%3 至 %4）</translation>
    </message>
    <message>
        <source>Start Pattern</source>
        <translation>起始組</translation>
    </message>
    <message>
        <source>Pattern %1</source>
        <translation>第 %1 組</translation>
    </message>
    <message>
        <source>Step Max.</source>
        <translation>最大段數</translation>
    </message>
    <message>
        <source>Set Value %1</source>
        <translation>設定值 %1</translation>
    </message>
    <message>
        <source>Execute Time %1</source>
        <translation>執行時間 %1</translation>
    </message>
    <message>
        <source>Loop Count</source>
        <translation>循環次數</translation>
    </message>
    <message>
        <source>Link Pattern</source>
        <translation>連結組</translation>
    </message>
    <message>
        <source>Prog End</source>
        <translation>程式結束</translation>
    </message>
</context>
<context>
    <name>vrx::PatternTransfer</name>
    <message>
        <source>refused, %1 (exception %2)</source>
        <translation>遭拒絕，%1（例外 %2）</translation>
    </message>
    <message>
        <source>%1 (register %2)</source>
        <translation>%1（暫存器 %2）</translation>
    </message>
    <message>
        <source>Write finished : all %1 values written to address %2.</source>
        <translation>寫入完成：%1 個數值全部寫入位址 %2。</translation>
    </message>
    <message>
        <source>Write not complete : %1 of %2 values written to address %3 !</source>
        <translation>寫入未完成：%2 個數值中只有 %1 個寫入位址 %3！</translation>
    </message>
    <message>
        <source>Not written from %1 on : %2.</source>
        <translation>自 %1 起未寫入：%2。</translation>
    </message>
    <message>
        <source>Write finished : %1 of %2 values refused by the controller at address %3 !</source>
        <translation>寫入完成：位址 %3 的控制器拒絕了 %2 個數值中的 %1 個！</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>……另有 %1 項。</translation>
    </message>
</context>
<context>
    <name>vrx::PollEngine</name>
    <message>
        <source>the controller gave no usable answer</source>
        <translation>控制器沒有可用的回應</translation>
    </message>
    <message>
        <source>the controller refused the read (%1)</source>
        <translation>控制器拒絕讀取（%1）</translation>
    </message>
    <message>
        <source>Write to Select ended, but the controller did not take %1 of the %2 settings: they keep their old values.</source>
        <translation>寫入所選站已結束，但控制器未接受 %2 項設定中的 %1 項：這些設定保留原值。</translation>
    </message>
    <message>
        <source>another station was selected</source>
        <translation>已選擇另一站</translation>
    </message>
    <message>
        <source>the address of station %1 changed</source>
        <translation>第 %1 站的站號已變更</translation>
    </message>
    <message>
        <source>station %1 is no longer connected</source>
        <translation>第 %1 站已不再連線</translation>
    </message>
    <message>
        <source>no station is connected any more</source>
        <translation>已沒有連線中的站</translation>
    </message>
    <message>
        <source>the line was lost</source>
        <translation>通訊線路中斷</translation>
    </message>
    <message>
        <source>the window was closed</source>
        <translation>視窗已關閉</translation>
    </message>
    <message>
        <source>BroadCast stopped: %1. %2 of the %3 settings were sent to the controllers.</source>
        <translation>廣播已停止：%1。%3 項設定中已有 %2 項送至控制器。</translation>
    </message>
    <message>
        <source>Write to Select stopped: %1. The controller took %2 of the %3 settings.</source>
        <translation>寫入所選站已停止：%1。控制器接受了 %3 項設定中的 %2 項。</translation>
    </message>
    <message>
        <source>Load to Buffer stopped: %1. The buffer is unchanged.</source>
        <translation>載入緩衝區已停止：%1。緩衝區未變更。</translation>
    </message>
    <message>
        <source>BroadCast done: the %1 settings were sent to every controller on the line. No controller answers a broadcast, so none could be checked.</source>
        <translation>廣播完成：%1 項設定已送到線路上的每一台控制器。控制器不回應廣播，因此無法逐一確認。</translation>
    </message>
    <message>
        <source>Write to Select done: the controller at address %1 took all %2 settings.</source>
        <translation>寫入所選站完成：站號 %1 的控制器已接受全部 %2 項設定。</translation>
    </message>
    <message>
        <source> Refused or unanswered: register %1.</source>
        <translation> 被拒絕或未回應的暫存器：%1。</translation>
    </message>
    <message>
        <source> Refused or unanswered: registers %1.</source>
        <translation> 被拒絕或未回應的暫存器：%1。</translation>
    </message>
    <message>
        <source>address %1 stopped answering (%2)</source>
        <translation>位址 %1 停止回應（%2）</translation>
    </message>
</context>
<context>
    <name>vrx::PortWindow</name>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Statistics...</source>
        <translation>統計...</translation>
    </message>
    <message>
        <source>Traffic...</source>
        <translation>通訊流量...</translation>
    </message>
</context>
<context>
    <name>vrx::ProgramCurve</name>
    <message>
        <source>h</source>
        <translation>小時</translation>
    </message>
    <message>
        <source>min</source>
        <translation>分鐘</translation>
    </message>
</context>
<context>
    <name>vrx::ProgramFile</name>
    <message>
        <source>Write to file success</source>
        <translation>寫入檔案成功</translation>
    </message>
    <message>
        <source>Line %1 : %2 !</source>
        <translation>第 %1 行：%2！</translation>
    </message>
    <message>
        <source>Load file data success</source>
        <translation>載入檔案資料成功</translation>
    </message>
    <message>
        <source>Data length error !</source>
        <translation>資料長度錯誤！</translation>
    </message>
</context>
<context>
    <name>vrx::QtSerialDevice</name>
    <message>
        <source>%1 is in use</source>
        <translation>%1 使用中</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>the device is gone</source>
        <translation>裝置已移除</translation>
    </message>
    <message>
        <source>odd parity</source>
        <translation>奇同位</translation>
    </message>
    <message>
        <source>even parity</source>
        <translation>偶同位</translation>
    </message>
    <message>
        <source>no parity</source>
        <translation>無同位</translation>
    </message>
    <message>
        <source>%1 baud</source>
        <translation>%1 鮑</translation>
    </message>
    <message>
        <source>no flow control</source>
        <translation>無流量控制</translation>
    </message>
    <message>
        <source>%1 data bits</source>
        <translation>%1 資料位元</translation>
    </message>
    <message>
        <source>%1 stop bits</source>
        <translation>%1 停止位元</translation>
    </message>
    <message>
        <source>%1 is a pseudo-terminal and does not take %2; it carries the bytes unchanged all the same</source>
        <translation>%1 是虛擬終端機，不接受 %2；它仍然原封不動地傳送位元組</translation>
    </message>
</context>
<context>
    <name>vrx::RegisterDisplay</name>
    <message>
        <source> Waiting...</source>
        <translation> 等待中...</translation>
    </message>
    <message>
        <source> No Connect</source>
        <translation> 未連線</translation>
    </message>
    <message>
        <source> Input Error</source>
        <translation> 輸入錯誤</translation>
    </message>
    <message>
        <source> Over Range</source>
        <translation> 超出範圍</translation>
    </message>
    <message>
        <source> Memory bad</source>
        <translation> 記憶體損壞</translation>
    </message>
</context>
<context>
    <name>vrx::ScanForm</name>
    <message>
        <source>Find controllers</source>
        <translation>尋找控制器</translation>
    </message>
    <message>
        <source>Addresses and ranges from 1 to 247, as 1-32,40</source>
        <translation>1 到 247 的位址與範圍，例如 1-32,40</translation>
    </message>
    <message>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Data bits, parity and stop bits, as 8N1,8E1,7E1; empty for all</source>
        <translation>資料位元、同位元與停止位元，例如 8N1,8E1,7E1；空白表示全部</translation>
    </message>
    <message>
        <source>Go on through every setting</source>
        <translation>繼續試完所有設定</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>線路</translation>
    </message>
    <message>
        <source>Addresses</source>
        <translation>位址</translation>
    </message>
    <message>
        <source>Framings</source>
        <translation>訊框</translation>
    </message>
    <message>
        <source>Speeds</source>
        <translation>速率</translation>
    </message>
    <message>
        <source>Formats</source>
        <translation>格式</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>尋找</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>位址</translation>
    </message>
    <message>
        <source>Framing</source>
        <translation>訊框</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速率</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>格式</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>裝置</translation>
    </message>
    <message>
        <source>PV</source>
        <translation>PV</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>韌體</translation>
    </message>
    <message>
        <source>Use these settings</source>
        <translation>使用這些設定</translation>
    </message>
    <message>
        <source>Sets the Protocol window to the line&apos;s settings and fills the Monitor&apos;s and the Recorder&apos;s addresses; nothing is sent</source>
        <translation>將通訊協定視窗設為此線路的設定，並填入監控程式與記錄程式的位址；不送出任何資料</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a list of addresses from 1 to 247, as 1-32,40</source>
        <translation>「%1」不是 1 到 247 的位址清單，例如 1-32,40</translation>
    </message>
    <message>
        <source>Choose at least one framing and one speed.</source>
        <translation>請至少選擇一種訊框與一種速率。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not data bits (7 or 8), parity (N, E or O) and stop bits (1 or 2), as 8E1</source>
        <translation>「%1」不是資料位元（7 或 8）、同位元（N、E 或 O）與停止位元（1 或 2），例如 8E1</translation>
    </message>
    <message>
        <source>RTU needs a format with 8 data bits.</source>
        <translation>RTU 需要 8 個資料位元的格式。</translation>
    </message>
    <message>
        <source>Trying address %1 at %2 %3 %4; at most %5 left</source>
        <translation>正在以 %2 %3 %4 嘗試位址 %1；最多還需 %5</translation>
    </message>
    <message>
        <source>no value</source>
        <translation>無數值</translation>
    </message>
    <message>
        <source>VRX controller</source>
        <translation>VRX 控制器</translation>
    </message>
    <message>
        <source>a Modbus device, not a VRX controller</source>
        <translation>Modbus 裝置，不是 VRX 控制器</translation>
    </message>
    <message>
        <source>Something at %1 %2, other settings</source>
        <translation>%1 %2 有回應，但設定不同</translation>
    </message>
    <message>
        <source>Nothing answered.</source>
        <translation>沒有任何裝置回應。</translation>
    </message>
    <message numerus="yes">
        <source>Found %n device(s).</source>
        <translation>
            <numerusform>找到 %n 台裝置。</numerusform>
        </translation>
    </message>
    <message>
        <source>Cancelled; the line is as it was.</source>
        <translation>已取消；線路保持原狀。</translation>
    </message>
    <message>
        <source>Stopped: %1</source>
        <translation>已停止：%1</translation>
    </message>
</context>
<context>
    <name>vrx::SerialPort</name>
    <message>
        <source>No serial port selected</source>
        <translation>未選擇序列埠</translation>
    </message>
    <message>
        <source>Serial port is not open</source>
        <translation>序列埠未開啟</translation>
    </message>
    <message>
        <source>Serial port has no timer %1</source>
        <translation>序列埠沒有計時器 %1</translation>
    </message>
    <message>
        <source>Serial port: no received byte to read</source>
        <translation>序列埠：沒有可讀取的接收位元組</translation>
    </message>
    <message>
        <source>Serial port: output buffer full</source>
        <translation>序列埠：輸出緩衝區已滿</translation>
    </message>
    <message>
        <source>%1 (%2) is in use by another program</source>
        <translation>%1 (%2) 正被其他程式使用</translation>
    </message>
    <message>
        <source>%1 was disconnected. It is opened again by itself as soon as it is back.</source>
        <translation>%1 已中斷連線。連線恢復後程式會自動重新開啟。</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>vrx::TVRW0</name>
    <message>
        <source>VRX COMMUNICATION PROGRAM</source>
        <translation>VRX 通訊程式</translation>
    </message>
    <message>
        <source>PROTOCOL</source>
        <translation>通訊協定</translation>
    </message>
    <message>
        <source>CONNECT</source>
        <translation>連線</translation>
    </message>
    <message>
        <source>MONITOR</source>
        <translation>監控</translation>
    </message>
    <message>
        <source>RECORDER</source>
        <translation>記錄器</translation>
    </message>
    <message>
        <source>TESTER</source>
        <translation>測試器</translation>
    </message>
    <message>
        <source>EXIT</source>
        <translation>結束</translation>
    </message>
    <message>
        <source>ABOUT</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>Communication Protocol Setting</source>
        <translation>通訊協定設定</translation>
    </message>
    <message>
        <source>VRW PROTOCOL</source>
        <translation>VRW 通訊協定</translation>
    </message>
    <message>
        <source>Execute VRX Monitor Program</source>
        <translation>執行 VRX 監控程式</translation>
    </message>
    <message>
        <source>Execute VRX Recoder Program</source>
        <translation>執行 VRX 記錄程式</translation>
    </message>
    <message>
        <source>Command Test Program</source>
        <translation>命令測試程式</translation>
    </message>
    <message>
        <source>Close this Program</source>
        <translation>關閉本程式</translation>
    </message>
    <message>
        <source>About this Program</source>
        <translation>關於本程式</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>訊息</translation>
    </message>
    <message>
        <source>COM port in use, Shut down other program first !</source>
        <translation>通訊埠使用中，請先關閉其他程式！</translation>
    </message>
    <message>
        <source>Traffic of the line</source>
        <translation>線路通訊流量</translation>
    </message>
    <message>
        <source>Find the controllers on a line</source>
        <translation>尋找線路上的控制器</translation>
    </message>
</context>
<context>
    <name>vrx::TVRW1</name>
    <message>
        <source>COMPORT PROTOCOL</source>
        <translation>通訊埠協定</translation>
    </message>
    <message>
        <source>COM PORT SETTING</source>
        <translation>通訊埠設定</translation>
    </message>
    <message>
        <source>ComPort</source>
        <translation>通訊埠</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>鮑率</translation>
    </message>
    <message>
        <source>Parity Bit</source>
        <translation>同位元</translation>
    </message>
    <message>
        <source>None</source>
        <translation>無</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>偶同位</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>奇同位</translation>
    </message>
    <message>
        <source>Data Bit Length</source>
        <translation>資料位元長度</translation>
    </message>
    <message>
        <source>7 bits</source>
        <translation>7 位元</translation>
    </message>
    <message>
        <source>8 bits</source>
        <translation>8 位元</translation>
    </message>
    <message>
        <source>Stop Bit Length</source>
        <translation>停止位元長度</translation>
    </message>
    <message>
        <source>1 bit</source>
        <translation>1 位元</translation>
    </message>
    <message>
        <source>2 bits</source>
        <translation>2 位元</translation>
    </message>
    <message>
        <source>Modbus Format</source>
        <translation>Modbus 格式</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>Find controllers...</source>
        <translation>尋找控制器...</translation>
    </message>
    <message>
        <source>Try the settings and addresses and list the controllers that answer</source>
        <translation>嘗試各種設定與位址，列出有回應的控制器</translation>
    </message>
</context>
<context>
    <name>vrx::TVRW2</name>
    <message>
        <source>Com port not exist</source>
        <translation>通訊埠不存在</translation>
    </message>
    <message>
        <source>View Record</source>
        <translation>檢視記錄</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Will clear setting, Execute anyway?</source>
        <translation>將清除設定，仍要執行嗎？</translation>
    </message>
    <message>
        <source>No Error</source>
        <translation>無錯誤</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>訊息</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Write to Select</source>
        <translation>寫入所選站</translation>
    </message>
    <message>
        <source>Over write : </source>
        <translation>覆寫： </translation>
    </message>
    <message>
        <source>Save to File </source>
        <translation>儲存至檔案 </translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>開啟檔案</translation>
    </message>
    <message>
        <source>VRX MONITOR PROGRAM</source>
        <translation>VRX 監控程式</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>站號</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>連線</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>控制</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>輸入</translation>
    </message>
    <message>
        <source>Firmware Version</source>
        <translation>韌體版本</translation>
    </message>
    <message>
        <source> 密碼輸入</source>
        <translation> 密碼輸入</translation>
    </message>
    <message>
        <source>PID Parameter</source>
        <translation>PID 參數</translation>
    </message>
    <message>
        <source>ON-OFF</source>
        <translation>開關控制</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手動</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>警報</translation>
    </message>
    <message>
        <source>PV tuning</source>
        <translation>測量值校正</translation>
    </message>
    <message>
        <source>Restore Default Setting</source>
        <translation>回復預設設定</translation>
    </message>
    <message>
        <source>Clear PV Adjust Value </source>
        <translation>清除測量值校正值 </translation>
    </message>
    <message>
        <source>Load to Buffer</source>
        <translation>載入緩衝區</translation>
    </message>
    <message>
        <source>Save to File</source>
        <translation>儲存至檔案</translation>
    </message>
    <message>
        <source>BroadCast</source>
        <translation>廣播</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>程式</translation>
    </message>
    <message>
        <source>View Recorder</source>
        <translation>檢視記錄器</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>離開</translation>
    </message>
    <message>
        <source> No Error</source>
        <translation> 無錯誤</translation>
    </message>
    <message>
        <source>Reading Data Now</source>
        <translation>正在讀取資料</translation>
    </message>
    <message>
        <source>View Setting</source>
        <translation>檢視設定</translation>
    </message>
    <message>
        <source>Write the buffer&apos;s %1 settings to every controller on %2? No controller answers a broadcast, so none can be checked afterwards.</source>
        <translation>要將緩衝區的 %1 項設定寫入 %2 上的每一台控制器嗎？控制器不回應廣播，事後無法逐一確認。</translation>
    </message>
    <message>
        <source>Write the buffer&apos;s %1 settings to station %2 (address %3) on %4?</source>
        <translation>要將緩衝區的 %1 項設定寫入 %4 上的第 %2 站（站號 %3）嗎？</translation>
    </message>
    <message>
        <source>%1 of them differ from what it holds.</source>
        <translation>其中 %1 項與它目前的設定不同。</translation>
    </message>
    <message>
        <source>What it holds now is not known: Load to Buffer from it first to compare.</source>
        <translation>目前不知道它的設定內容：請先由它「載入緩衝區」再比較。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a value this setting can take: nothing was sent.</source>
        <translation>「%1」不是此設定可接受的值：未送出任何資料。</translation>
    </message>
    <message>
        <source>The controller refused %1: %2</source>
        <translation>控制器拒絕了 %1：%2</translation>
    </message>
    <message>
        <source>Station %1: address %2 does not answer. It is no longer polled; press Connect to try it again.</source>
        <translation>第 %1 站：站號 %2 沒有回應，已停止讀取；請按「連線」再試一次。</translation>
    </message>
    <message>
        <source>Monitor statistics</source>
        <translation>監控統計</translation>
    </message>
    <message>
        <source>Station %1 (address %2)</source>
        <translation>站 %1（位址 %2）</translation>
    </message>
    <message>
        <source>Connected when the Monitor was last closed</source>
        <translation>上次關閉監控視窗時為連線狀態</translation>
    </message>
    <message>
        <source>No controller answers on COM%1 at %2: check the line&apos;s speed, format and framing.</source>
        <translation>COM%1 以 %2 無任何控制器回應：請檢查線路的速率、格式與訊框。</translation>
    </message>
</context>
<context>
    <name>vrx::TVRW3</name>
    <message>
        <source>File Broken or Data incorrect!</source>
        <translation>檔案損壞或資料不正確！</translation>
    </message>
    <message>
        <source>VRX Temperature Recoder Program</source>
        <translation>VRX 溫度記錄程式</translation>
    </message>
    <message>
        <source>Recorde Program</source>
        <translation>記錄程式</translation>
    </message>
    <message>
        <source>Viewer</source>
        <translation>檢視器</translation>
    </message>
    <message>
        <source>Save to File</source>
        <translation>儲存至檔案</translation>
    </message>
    <message>
        <source>Close and Exit</source>
        <translation>關閉並離開</translation>
    </message>
    <message>
        <source>START</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>Start Record/View</source>
        <translation>開始記錄/檢視</translation>
    </message>
    <message>
        <source>Device %1</source>
        <translation>裝置 %1</translation>
    </message>
    <message>
        <source>顯示/不顯示 紀錄%1資料</source>
        <translation>顯示/不顯示 紀錄%1資料</translation>
    </message>
    <message>
        <source>Sample Time</source>
        <translation>取樣時間</translation>
    </message>
    <message>
        <source>Sec.</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Proportion</source>
        <translation>比例</translation>
    </message>
    <message>
        <source>觀看不同時間紀錄資料</source>
        <translation>觀看不同時間紀錄資料</translation>
    </message>
    <message>
        <source>Test Start Time</source>
        <translation>測試開始時間</translation>
    </message>
    <message>
        <source>Refrash Data Time</source>
        <translation>資料更新時間</translation>
    </message>
    <message>
        <source>Comport not exist</source>
        <translation>通訊埠不存在</translation>
    </message>
    <message>
        <source>Test Start Time : </source>
        <translation>測試開始時間： </translation>
    </message>
    <message>
        <source>Refresh Data Time : </source>
        <translation>資料更新時間： </translation>
    </message>
    <message>
        <source>STOP</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>End of getting data</source>
        <translation>結束擷取資料</translation>
    </message>
    <message>
        <source>END VIEW</source>
        <translation>結束檢視</translation>
    </message>
    <message>
        <source>End of display data</source>
        <translation>結束顯示資料</translation>
    </message>
    <message>
        <source>Start record/View</source>
        <translation>開始記錄/檢視</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>訊息</translation>
    </message>
    <message>
        <source>One of VRW device loss connection !</source>
        <translation>有一台 VRW 裝置失去連線！</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Over write : </source>
        <translation>覆寫： </translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Cannot write %1 : %2
Recording goes on without the file.</source>
        <translation>無法寫入 %1：%2
記錄繼續進行，但不再寫入檔案。</translation>
    </message>
    <message>
        <source>LOADING</source>
        <translation>載入中</translation>
    </message>
    <message>
        <source>Recorder statistics</source>
        <translation>記錄器統計</translation>
    </message>
    <message>
        <source>Device %1 (address %2)</source>
        <translation>裝置 %1（位址 %2）</translation>
    </message>
    <message>
        <source>Export the record as CSV</source>
        <translation>將紀錄匯出為 CSV</translation>
    </message>
    <message>
        <source>Export as CSV</source>
        <translation>匯出為 CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv *.CSV)</source>
        <translation>CSV 檔 (*.csv *.CSV)</translation>
    </message>
    <message>
        <source>Exported to %1</source>
        <translation>已匯出至 %1</translation>
    </message>
    <message>
        <source>Line %1</source>
        <translation>第 %1 行</translation>
    </message>
    <message>
        <source>%1 answers too slowly for the sample time: each sample missed is recorded as ---.</source>
        <translation>%1 回應太慢，趕不上取樣時間：每個錯過的取樣都記錄為 ---。</translation>
    </message>
    <message>
        <source>%1 was no longer there (removed or moved away).
It was made again and the recording goes on in it.</source>
        <translation>%1 已不存在（被刪除或移走）。
已重新建立，記錄在其中繼續。</translation>
    </message>
</context>
<context>
    <name>vrx::TVRW4</name>
    <message>
        <source>ABOUT</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>VRX Digital Controller</source>
        <translation>VRX 數位控制器</translation>
    </message>
    <message>
        <source>Communication Program</source>
        <translation>通訊程式</translation>
    </message>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>版本 %1.%2.%3</translation>
    </message>
    <message>
        <source>Recommanded Display Resolution 800 x 600</source>
        <translation>建議顯示解析度 800 x 600</translation>
    </message>
</context>
<context>
    <name>vrx::TVRX5</name>
    <message>
        <source>Step Count</source>
        <translation>段數</translation>
    </message>
    <message>
        <source>Set Value</source>
        <translation>設定值</translation>
    </message>
    <message>
        <source>Loop Count</source>
        <translation>循環次數</translation>
    </message>
    <message>
        <source>Link Pattern</source>
        <translation>連結組</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>訊息</translation>
    </message>
    <message>
        <source>No station connected, Connect one in the Monitor first !</source>
        <translation>沒有連線中的站，請先在監控程式中連線！</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>讀取</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Read Setting not complete, the table is unchanged !</source>
        <translation>讀取設定未完成，表格未變更！</translation>
    </message>
    <message>
        <source>Writing Now</source>
        <translation>正在寫入</translation>
    </message>
    <message>
        <source>Save to ...</source>
        <translation>儲存至...</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Over write : </source>
        <translation>覆寫： </translation>
    </message>
    <message>
        <source>Read File</source>
        <translation>讀取檔案</translation>
    </message>
    <message>
        <source>VRX Ramp Soak function Editor</source>
        <translation>VRX 斜率/持溫程式編輯器</translation>
    </message>
    <message>
        <source>Reading Now</source>
        <translation>正在讀取</translation>
    </message>
    <message>
        <source>Start Pattern</source>
        <translation>起始組</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>編輯</translation>
    </message>
    <message>
        <source>Read Setting</source>
        <translation>讀取設定</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>寫入</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>返回</translation>
    </message>
    <message>
        <source>Edit Page</source>
        <translation>編輯頁</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>組別</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>小時</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>分鐘</translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>The program is still being written to the controller. The write goes on after the editor closes, and a message says when it has ended.</source>
        <translation>程式仍在寫入控制器。關閉編輯視窗後寫入會繼續進行，完成時會以訊息告知。</translation>
    </message>
</context>
<context>
    <name>vrx::TcpLine</name>
    <message>
        <source>no connection within %1 s</source>
        <translation>%1 秒內未能連線</translation>
    </message>
    <message>
        <source>%1: listen needs an address of this machine, not &apos;%2&apos;</source>
        <translation>%1：listen 需要本機的位址，而不是「%2」</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>the connection was closed by the other end</source>
        <translation>連線已被對方關閉</translation>
    </message>
    <message>
        <source>%1: refused %2, a gateway is connected from %3</source>
        <translation>%1：已拒絕 %2，已有閘道器自 %3 連線</translation>
    </message>
    <message>
        <source>%1: %2 takes the place of %3, silent for %4 s</source>
        <translation>%1: %2 取代了已 %4 秒無回應的 %3</translation>
    </message>
    <message>
        <source>%1: closed %2, which is not on the allow list</source>
        <translation>%1: 已關閉 %2，它不在允許清單中</translation>
    </message>
    <message>
        <source>%1: more callers turned away, not logged</source>
        <translation>%1: 還有更多來電被拒，不再記錄</translation>
    </message>
    <message>
        <source>the other end takes nothing more (%1 bytes wait to be sent)</source>
        <translation>對方不再接收任何資料（%1 個位元組等待傳送）</translation>
    </message>
</context>
<context>
    <name>vrx::TesterPanel</name>
    <message>
        <source>SINGLE COMMAND TEST (HEX FORMAT)</source>
        <translation>單一命令測試（十六進位格式）</translation>
    </message>
    <message>
        <source>ADDRESS</source>
        <translation>站號</translation>
    </message>
    <message>
        <source>COMMAND</source>
        <translation>命令</translation>
    </message>
    <message>
        <source>FUNC ADDR</source>
        <translation>暫存器位址</translation>
    </message>
    <message>
        <source>WRITE DATA</source>
        <translation>寫入資料</translation>
    </message>
    <message>
        <source>SEND</source>
        <translation>傳送</translation>
    </message>
    <message>
        <source>RECEIVED</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>WRITE DATA CONTENT</source>
        <translation>寫入資料內容</translation>
    </message>
    <message>
        <source>DATA1~4        DATA 5~8</source>
        <translation>資料1~4        資料 5~8</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>傳送</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>重複</translation>
    </message>
    <message>
        <source>Clear Result</source>
        <translation>清除結果</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Com port not exist</source>
        <translation>通訊埠不存在</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Time out</source>
        <translation>逾時</translation>
    </message>
    <message>
        <source>Read Register</source>
        <translation>讀取暫存器</translation>
    </message>
    <message>
        <source>WORD COUNT</source>
        <translation>字組數</translation>
    </message>
    <message>
        <source>Write One Word</source>
        <translation>寫入單一字組</translation>
    </message>
    <message>
        <source>Write Multi-Words</source>
        <translation>寫入多個字組</translation>
    </message>
    <message>
        <source>Read Bits</source>
        <translation>讀取位元</translation>
    </message>
    <message>
        <source>BIT COUNT</source>
        <translation>位元數</translation>
    </message>
    <message>
        <source>Write Bit</source>
        <translation>寫入位元</translation>
    </message>
    <message>
        <source>CONTENT</source>
        <translation>內容</translation>
    </message>
    <message>
        <source>User Define</source>
        <translation>使用者自訂</translation>
    </message>
    <message>
        <source>DATA</source>
        <translation>資料</translation>
    </message>
    <message>
        <source>Reply in %1 ms</source>
        <translation>%1 ms 後回應</translation>
    </message>
    <message>
        <source>Traffic...</source>
        <translation>通訊流量...</translation>
    </message>
    <message>
        <source>A read takes at most %1 words: WORD COUNT %2 is too many.</source>
        <translation>一次讀取最多 %1 個字組：WORD COUNT %2 太多。</translation>
    </message>
</context>
<context>
    <name>vrx::TesterReply</name>
    <message>
        <source>REGISTER</source>
        <translation>暫存器</translation>
    </message>
    <message>
        <source>DECIMAL</source>
        <translation>十進位</translation>
    </message>
    <message>
        <source>HEX</source>
        <translation>十六進位</translation>
    </message>
    <message>
        <source>SIGNED</source>
        <translation>有號數</translation>
    </message>
    <message>
        <source>TENTHS</source>
        <translation>十分位</translation>
    </message>
    <message>
        <source>%1 wrong: the reply was damaged on the line</source>
        <translation>%1 錯誤：回覆在線路上受損</translation>
    </message>
    <message>
        <source>written: %1 = %2</source>
        <translation>已寫入：%1 = %2</translation>
    </message>
    <message>
        <source>written: %1 words from %2</source>
        <translation>已寫入：自 %2 起 %1 個字組</translation>
    </message>
    <message>
        <source>written</source>
        <translation>已寫入</translation>
    </message>
</context>
<context>
    <name>vrx::TextFile</name>
    <message>
        <source>Can not read file %1 : %2</source>
        <translation>無法讀取檔案 %1：%2</translation>
    </message>
    <message>
        <source>Can not write file %1 : %2</source>
        <translation>無法寫入檔案 %1：%2</translation>
    </message>
    <message>
        <source>a folder has this name</source>
        <translation>已有同名的資料夾</translation>
    </message>
    <message>
        <source>not a plain file</source>
        <translation>不是一般檔案</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>這是資料夾</translation>
    </message>
    <message>
        <source>not a plain file (a pipe or a device)</source>
        <translation>不是一般檔案（管線或裝置）</translation>
    </message>
    <message>
        <source>File not exist, Can not open file !</source>
        <translation>檔案不存在，無法開啟檔案！</translation>
    </message>
    <message>
        <source>Text files (*.txt *.TXT)</source>
        <translation>文字檔 (*.txt *.TXT)</translation>
    </message>
    <message>
        <source>holds another recording</source>
        <translation>存有另一份記錄</translation>
    </message>
    <message>
        <source>its folder %1 cannot be made again</source>
        <translation>無法重新建立其資料夾 %1</translation>
    </message>
</context>
<context>
    <name>vrx::TrafficForm</name>
    <message>
        <source>Traffic</source>
        <translation>通訊流量</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暫停</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>位址</translation>
    </message>
    <message>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>儲存...</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 檔 (*.csv)</translation>
    </message>
    <message>
        <source>Save traffic</source>
        <translation>儲存通訊流量</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文字檔 (*.txt)</translation>
    </message>
</context>
<context>
    <name>vrx::TrafficModel</name>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>線路</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>Gap (ms)</source>
        <translation>間隔 (ms)</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>十六進位</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>文字</translation>
    </message>
    <message>
        <source>Decode</source>
        <translation>解讀</translation>
    </message>
    <message>
        <source>sent</source>
        <translation>送出</translation>
    </message>
    <message>
        <source>received</source>
        <translation>收到</translation>
    </message>
    <message>
        <source> ... (%1 bytes)</source>
        <translation> ...（%1 個位元組）</translation>
    </message>
</context>
<context>
    <name>vrx::TrendChart</name>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
</context>
<context>
    <name>vrx::scan::ScanRunner</name>
    <message>
        <source>The line went away</source>
        <translation>通訊線路中斷</translation>
    </message>
</context>
</TS>
