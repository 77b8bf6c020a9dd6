<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Browser</name>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>%1 文件</source>
        <translation>%1 File</translation>
    </message>
</context>
<context>
    <name>Command</name>
    <message>
        <source>机器视角(&amp;M)</source>
        <translation>&amp;Machine view</translation>
    </message>
    <message>
        <source>打开RIP文件夹(&amp;O)...</source>
        <translation>&amp;Open RIP folder...</translation>
    </message>
    <message>
        <source>刷新RIP文件夹</source>
        <translation>Refresh RIP folder</translation>
    </message>
    <message>
        <source>重新预览(&amp;R)</source>
        <translation>&amp;Re-preview</translation>
    </message>
    <message>
        <source>加入打印列表(&amp;A)</source>
        <translation>&amp;Add to queue</translation>
    </message>
    <message>
        <source>调出上次作业(&amp;L)</source>
        <translation>&amp;Load last job</translation>
    </message>
    <message>
        <source>打印任务记录(&amp;R)</source>
        <translation>Job &amp;records</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>适合图像区(&amp;F)</source>
        <translation>&amp;Fit</translation>
    </message>
    <message>
        <source>放大1倍(&amp;1)</source>
        <translation>Zoom &amp;1x</translation>
    </message>
    <message>
        <source>缩小1/2(&amp;/)</source>
        <translation>Zoom 1&amp;/2</translation>
    </message>
    <message>
        <source>放大2倍(&amp;2)</source>
        <translation>Zoom &amp;2x</translation>
    </message>
    <message>
        <source>选项(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>基本参数设置(&amp;A)</source>
        <translation>B&amp;asic parameters</translation>
    </message>
    <message>
        <source>测量(&amp;M)</source>
        <translation>&amp;Measure</translation>
    </message>
    <message>
        <source>网络打印(&amp;N)</source>
        <translation>&amp;Network print</translation>
    </message>
    <message>
        <source>打印(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <source>停止(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>暂停(&amp;U)</source>
        <translation>Pa&amp;use</translation>
    </message>
    <message>
        <source>继续(&amp;C)</source>
        <translation>&amp;Continue</translation>
    </message>
    <message>
        <source>复位(&amp;H)</source>
        <translation>&amp;Home</translation>
    </message>
    <message>
        <source>清洗喷头(&amp;W)</source>
        <translation>Clean heads (&amp;W)</translation>
    </message>
    <message>
        <source>向左(&amp;L)</source>
        <translation>&amp;Left</translation>
    </message>
    <message>
        <source>向右(&amp;R)</source>
        <translation>&amp;Right</translation>
    </message>
    <message>
        <source>收料(&amp;B)</source>
        <translation>Media &amp;back</translation>
    </message>
    <message>
        <source>进料(&amp;F)</source>
        <translation>Media &amp;feed</translation>
    </message>
    <message>
        <source>移到远端</source>
        <translation>Move to the far end</translation>
    </message>
    <message>
        <source>闪喷 开/关(&amp;F)</source>
        <translation>&amp;Flash on/off</translation>
    </message>
    <message>
        <source>压/吸墨器 开/关(&amp;G)</source>
        <translation>Pur&amp;ge on/off</translation>
    </message>
    <message>
        <source>清洗器 开/关(&amp;L)</source>
        <translation>C&amp;leaner on/off</translation>
    </message>
    <message>
        <source>喷头参数调整(&amp;A)</source>
        <translation>Head p&amp;arameters</translation>
    </message>
    <message>
        <source>双面打印调整</source>
        <translation>Double-sided adjustment</translation>
    </message>
    <message>
        <source>辅助功能开关(&amp;D)</source>
        <translation>Auxiliary switches (&amp;D)</translation>
    </message>
    <message>
        <source>工具栏(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>状态栏(&amp;S)</source>
        <translation>&amp;Status bar</translation>
    </message>
    <message>
        <source>虚拟打印机(&amp;V)</source>
        <translation>&amp;Virtual printer</translation>
    </message>
    <message>
        <source>关于 Orvix(&amp;A)...</source>
        <translation>&amp;About Orvix...</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>功能(&amp;U)</source>
        <translation>F&amp;unctions</translation>
    </message>
    <message>
        <source>设置(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>车速</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>白边</source>
        <translation>Margin</translation>
    </message>
    <message>
        <source>尺寸</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>路径文件名</source>
        <translation>Path</translation>
    </message>
</context>
<context>
    <name>Queue</name>
    <message>
        <source>数量须为 1 到 255，已恢复原值</source>
        <translation>Copies must be 1 to 255; the previous value is back</translation>
    </message>
    <message>
        <source>白边超出车头行程，已恢复原值</source>
        <translation>The margin lies beyond the carriage travel; the previous value is back</translation>
    </message>
    <message>
        <source>喷位超出车头行程，已恢复原值</source>
        <translation>The fire position lies beyond the carriage travel; the previous value is back</translation>
    </message>
    <message>
        <source>提示信息：是否终止打印?</source>
        <translation>Stop printing?</translation>
    </message>
    <message>
        <source>车头未能停稳，请检查车头后再移动</source>
        <translation>The carriage did not come to rest; check it before moving it again</translation>
    </message>
    <message>
        <source>打印列表文件有错误，已跳过以下内容（原文件保存为 %1）：
%2</source>
        <translation>The print list file is damaged; these entries were skipped (the file was kept as %1):
%2</translation>
    </message>
    <message>
        <source>请选择RIP文件并添加到打印列表里进行打印</source>
        <translation>Select a RIP file and add it to the print list to print it</translation>
    </message>
    <message>
        <source>文件名中含有制表符或换行符，无法加入打印列表，请重命名该文件：
%1</source>
        <translation>The file name holds a TAB or a line break and cannot be kept in the print list; rename the file:
%1</translation>
    </message>
    <message>
        <source>正在打印，打印结束后才能修改设置</source>
        <translation>A job is printing: the settings can be changed once it has ended</translation>
    </message>
    <message>
        <source>错误代码 00166: 正在打印，请稍候再执行打印测试</source>
        <translation>Error code 00166: printing, please wait before printing again</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File</translation>
    </message>
    <message>
        <source>车速</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>白边</source>
        <translation>Margin</translation>
    </message>
    <message>
        <source>尺寸</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>路径文件名</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>跳Pass打印</source>
        <translation>Start pass</translation>
    </message>
    <message>
        <source>镜向</source>
        <translation>Mirror</translation>
    </message>
    <message>
        <source>步进</source>
        <translation>Fed</translation>
    </message>
    <message>
        <source>预计时间</source>
        <translation>Estimate</translation>
    </message>
    <message>
        <source>错误代码 00165: 正在打印，请稍候再执行打印测试</source>
        <translation>Error code 00165: printing, please wait before a test print</translation>
    </message>
    <message>
        <source>测试图案文件名无效：%1（%2）</source>
        <translation>The test pattern file name is not valid: %1 (%2)</translation>
    </message>
    <message>
        <source>测试图案文件不存在，也无法生成：%1
%2</source>
        <translation>The test pattern file does not exist and cannot be made: %1
%2</translation>
    </message>
    <message>
        <source>测试图案文件不存在：%1</source>
        <translation>The test pattern file does not exist: %1</translation>
    </message>
    <message>
        <source>时间: </source>
        <translation>Time: </translation>
    </message>
    <message>
        <source> 秒 </source>
        <translation> s </translation>
    </message>
    <message>
        <source> 面积: </source>
        <translation> Area: </translation>
    </message>
    <message>
        <source> 平方米 </source>
        <translation> m2 </translation>
    </message>
    <message>
        <source> 产量: </source>
        <translation> Output: </translation>
    </message>
    <message>
        <source> 平米/小时</source>
        <translation> m2/h</translation>
    </message>
</context>
<context>
    <name>orvix::AuxSwitchDialog</name>
    <message>
        <source>辅助功能开关</source>
        <translation>Auxiliary switches</translation>
    </message>
    <message>
        <source>输入</source>
        <translation>Inputs</translation>
    </message>
    <message>
        <source>输出</source>
        <translation>Outputs</translation>
    </message>
    <message>
        <source>急停</source>
        <translation>Emergency stop</translation>
    </message>
    <message>
        <source>左行程</source>
        <translation>Left limit</translation>
    </message>
    <message>
        <source>右行程</source>
        <translation>Right limit</translation>
    </message>
    <message>
        <source>清洗器</source>
        <translation>Cleaner</translation>
    </message>
    <message>
        <source>寻料器</source>
        <translation>Media sensor</translation>
    </message>
    <message>
        <source>UV左灯准备</source>
        <translation>UV left lamp ready</translation>
    </message>
    <message>
        <source>UV右灯准备</source>
        <translation>UV right lamp ready</translation>
    </message>
    <message>
        <source>压墨器</source>
        <translation>Purge</translation>
    </message>
    <message>
        <source>UV左开关</source>
        <translation>UV left lamp</translation>
    </message>
    <message>
        <source>UV右开关</source>
        <translation>UV right lamp</translation>
    </message>
    <message>
        <source>快门左开关</source>
        <translation>Left shutter</translation>
    </message>
    <message>
        <source>快门右开关</source>
        <translation>Right shutter</translation>
    </message>
    <message>
        <source>保护盖上升</source>
        <translation>Cover up</translation>
    </message>
    <message>
        <source>保护盖下降</source>
        <translation>Cover down</translation>
    </message>
    <message>
        <source>吸墨</source>
        <translation>Ink suction</translation>
    </message>
    <message>
        <source>吸墨开关</source>
        <translation>Ink suction on</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>orvix::CInspectionDlg</name>
    <message>
        <source>开机自检</source>
        <translation>Start-up inspection</translation>
    </message>
    <message>
        <source>备用 %1</source>
        <translation>Spare %1</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>自检正在进行，当前测试结束后才能关闭。</source>
        <translation>The inspection is running: it can be closed once the current test has ended.</translation>
    </message>
</context>
<context>
    <name>orvix::CJobRecordsDlg</name>
    <message>
        <source>起始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>End</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>尺寸</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>打印路径</source>
        <translation>Print path</translation>
    </message>
    <message>
        <source>打印任务记录</source>
        <translation>Job records</translation>
    </message>
    <message>
        <source>启始日:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>终止日:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>查询(&amp;Q)</source>
        <translation>&amp;Query</translation>
    </message>
    <message>
        <source>全部(&amp;All)</source>
        <translation>&amp;All</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>orvix::CParams</name>
    <message>
        <source>未知原因</source>
        <translation>unknown reason</translation>
    </message>
    <message>
        <source>设置没有保存，磁盘上的文件未改变：
%1</source>
        <translation>The settings were not saved; the file on disk is unchanged:
%1</translation>
    </message>
    <message>
        <source>基本参数设置</source>
        <translation>Basic parameters</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>喷头排列</source>
        <translation>Head alignment</translation>
    </message>
    <message>
        <source>运动系统设置</source>
        <translation>Movement</translation>
    </message>
    <message>
        <source>打印模式</source>
        <translation>Print mode</translation>
    </message>
    <message>
        <source>打开(&amp;L)</source>
        <translation>&amp;Load...</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save...</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应用(&amp;A)</source>
        <translation>&amp;Apply</translation>
    </message>
    <message>
        <source>机器正在运动，请等待动作完成后再关闭。</source>
        <translation>The machine is moving: please wait until it has finished before closing.</translation>
    </message>
    <message>
        <source>参数文件无法打开，参数没有改变：
%1</source>
        <translation>The parameter file cannot be opened; no setting was changed:
%1</translation>
    </message>
    <message>
        <source>参数文件无法保存：
%1</source>
        <translation>The parameter file cannot be saved:
%1</translation>
    </message>
    <message>
        <source>信息提示：确认是否要保存参数？</source>
        <translation>Information: save the parameters?</translation>
    </message>
</context>
<context>
    <name>orvix::CPasswordDlg</name>
    <message>
        <source>密码不正确!</source>
        <translation>Wrong password!</translation>
    </message>
    <message>
        <source>输入工程师口令</source>
        <translation>Engineer password</translation>
    </message>
    <message>
        <source>口令:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>orvix::CPrintSettingDlg</name>
    <message>
        <source>打印方式</source>
        <translation>Printing</translation>
    </message>
    <message>
        <source>Pass 数:</source>
        <translation>Passes:</translation>
    </message>
    <message>
        <source>X 速度:</source>
        <translation>X speed:</translation>
    </message>
    <message>
        <source>Y 速度:</source>
        <translation>Y speed:</translation>
    </message>
    <message>
        <source>打印份数:</source>
        <translation>Copies:</translation>
    </message>
    <message>
        <source>横向镜向:</source>
        <translation>Mirror across:</translation>
    </message>
    <message>
        <source>纵向镜向:</source>
        <translation>Mirror along:</translation>
    </message>
    <message>
        <source>自动跳白:</source>
        <translation>Skip blank:</translation>
    </message>
    <message>
        <source>双喷:</source>
        <translation>Double strike:</translation>
    </message>
    <message>
        <source>单向:</source>
        <translation>Unidirectional:</translation>
    </message>
    <message>
        <source>向左</source>
        <translation>To the left</translation>
    </message>
    <message>
        <source>向右</source>
        <translation>To the right</translation>
    </message>
    <message>
        <source>羽化:</source>
        <translation>Feathering:</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>直线</source>
        <translation>Straight</translation>
    </message>
    <message>
        <source>波浪</source>
        <translation>Wave</translation>
    </message>
    <message>
        <source>羽化大小:</source>
        <translation>Feather size:</translation>
    </message>
    <message>
        <source>波形值:</source>
        <translation>Wave value:</translation>
    </message>
    <message>
        <source>收纸模式:</source>
        <translation>Take-up mode:</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>模式 1</source>
        <translation>Mode 1</translation>
    </message>
    <message>
        <source>模式 2</source>
        <translation>Mode 2</translation>
    </message>
    <message>
        <source>彩条</source>
        <translation>Colour bar</translation>
    </message>
    <message>
        <source>是/否 需要:</source>
        <translation>Yes/No needed:</translation>
    </message>
    <message>
        <source>位置:</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>左边</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右边</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>两边</source>
        <translation>Both sides</translation>
    </message>
    <message>
        <source>距离(mm):</source>
        <translation>Distance (mm):</translation>
    </message>
    <message>
        <source>宽度(mm):</source>
        <translation>Width (mm):</translation>
    </message>
    <message>
        <source>混色宽度(mm):</source>
        <translation>Mixed width (mm):</translation>
    </message>
    <message>
        <source>与画面同时有效:</source>
        <translation>Same height as image:</translation>
    </message>
    <message>
        <source>页脚</source>
        <translation>Footer</translation>
    </message>
    <message>
        <source>操作员:</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <source>文件名:</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>尺寸:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>时间:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>页码:</source>
        <translation>Page:</translation>
    </message>
    <message>
        <source>备注:</source>
        <translation>Memo:</translation>
    </message>
    <message>
        <source>字体:</source>
        <translation>Font:</translation>
    </message>
    <message>
        <source>介质 (mm)</source>
        <translation>Media (mm)</translation>
    </message>
    <message>
        <source>起始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>宽度</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>白边</source>
        <translation>Margin</translation>
    </message>
    <message>
        <source>卷 1:</source>
        <translation>Roll 1:</translation>
    </message>
    <message>
        <source>卷 2:</source>
        <translation>Roll 2:</translation>
    </message>
    <message>
        <source>是/否 (卷 2)</source>
        <translation>Yes/No (roll 2)</translation>
    </message>
    <message>
        <source>上下间隙:</source>
        <translation>Gap along:</translation>
    </message>
    <message>
        <source>左右间隙:</source>
        <translation>Gap across:</translation>
    </message>
    <message>
        <source>打印位置:</source>
        <translation>Print position:</translation>
    </message>
    <message>
        <source>图像分割 (mm)</source>
        <translation>Image split (mm)</translation>
    </message>
    <message>
        <source>清洗</source>
        <translation>Cleaning</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>打印中自动清洗:</source>
        <translation>Clean while printing:</translation>
    </message>
    <message>
        <source>清洗频率(Pass):</source>
        <translation>Every (passes):</translation>
    </message>
    <message>
        <source>清洗次数:</source>
        <translation>Cleaning times:</translation>
    </message>
    <message>
        <source>清洗方式:</source>
        <translation>Cleaning mode:</translation>
    </message>
    <message>
        <source>0 刮片清洗</source>
        <translation>0 Cleaner passes</translation>
    </message>
    <message>
        <source>1 闪喷</source>
        <translation>1 Flash only</translation>
    </message>
    <message>
        <source>2 刮片清洗</source>
        <translation>2 Cleaner passes</translation>
    </message>
    <message>
        <source>3 压墨并刮墨</source>
        <translation>3 Purge and wipe</translation>
    </message>
    <message>
        <source>4 压墨后刮片清洗</source>
        <translation>4 Purge, then cleaner passes</translation>
    </message>
    <message>
        <source>闲置闪喷频率:</source>
        <translation>Idle flash frequency:</translation>
    </message>
    <message>
        <source>清洗闪喷频率:</source>
        <translation>Cleaning flash frequency:</translation>
    </message>
    <message>
        <source>复位后清洗:</source>
        <translation>Clean after homing:</translation>
    </message>
    <message>
        <source>打印前清洗:</source>
        <translation>Clean before printing:</translation>
    </message>
    <message>
        <source>打印后清洗:</source>
        <translation>Clean after printing:</translation>
    </message>
    <message>
        <source>清洗中闪喷:</source>
        <translation>Flash while wiping:</translation>
    </message>
    <message>
        <source>复位后闪喷:</source>
        <translation>Flash after homing:</translation>
    </message>
    <message>
        <source>压墨与刮片</source>
        <translation>Purge and wiper</translation>
    </message>
    <message>
        <source>上升前延时(ms):</source>
        <translation>Delay before up (ms):</translation>
    </message>
    <message>
        <source>压墨次数:</source>
        <translation>Purge times:</translation>
    </message>
    <message>
        <source>压墨时间(ms):</source>
        <translation>Purge time (ms):</translation>
    </message>
    <message>
        <source>压墨间隔(ms):</source>
        <translation>Purge interval (ms):</translation>
    </message>
    <message>
        <source>下降前延时(ms):</source>
        <translation>Delay before down (ms):</translation>
    </message>
    <message>
        <source>废墨时间(ms):</source>
        <translation>Waste ink time (ms):</translation>
    </message>
    <message>
        <source>刮墨次数:</source>
        <translation>Wipe strokes:</translation>
    </message>
</context>
<context>
    <name>orvix::CSetHeadAlignmentDlg</name>
    <message>
        <source>介质</source>
        <translation>Material</translation>
    </message>
    <message>
        <source>介质:</source>
        <translation>Material:</translation>
    </message>
    <message>
        <source>间隙:  -</source>
        <translation>Gap:  -</translation>
    </message>
    <message>
        <source>重叠:  +</source>
        <translation>Overlap:  +</translation>
    </message>
    <message>
        <source>双向精度:</source>
        <translation>Bidirectional class:</translation>
    </message>
    <message>
        <source>速度 %1:</source>
        <translation>Speed %1:</translation>
    </message>
    <message>
        <source>喷头移动 (基本)</source>
        <translation>Move heads (base)</translation>
    </message>
    <message>
        <source>喷头移动 (介质)</source>
        <translation>Move heads (material)</translation>
    </message>
    <message>
        <source>喷头数:</source>
        <translation>Heads:</translation>
    </message>
    <message>
        <source>喷头:</source>
        <translation>Head:</translation>
    </message>
    <message>
        <source>&lt;&lt; 向左移</source>
        <translation>&lt;&lt; Left</translation>
    </message>
    <message>
        <source>向右移 &gt;&gt;</source>
        <translation>Right &gt;&gt;</translation>
    </message>
    <message>
        <source>纵向YOS+</source>
        <translation>Y offset +</translation>
    </message>
    <message>
        <source>纵向YOS-</source>
        <translation>Y offset -</translation>
    </message>
    <message>
        <source>&lt;&lt; 整组左移</source>
        <translation>&lt;&lt; Checked left</translation>
    </message>
    <message>
        <source>整组右移 &gt;&gt;</source>
        <translation>Checked right &gt;&gt;</translation>
    </message>
    <message>
        <source>整组 YOS+</source>
        <translation>Checked Y +</translation>
    </message>
    <message>
        <source>整组 YOS-</source>
        <translation>Checked Y -</translation>
    </message>
    <message>
        <source>喷头</source>
        <translation>Head</translation>
    </message>
    <message>
        <source>介质 XL</source>
        <translation>Material XL</translation>
    </message>
    <message>
        <source>介质 XR</source>
        <translation>Material XR</translation>
    </message>
    <message>
        <source>介质 Y</source>
        <translation>Material Y</translation>
    </message>
    <message>
        <source>基本 XL</source>
        <translation>Base XL</translation>
    </message>
    <message>
        <source>基本 XR</source>
        <translation>Base XR</translation>
    </message>
    <message>
        <source>基本 Y</source>
        <translation>Base Y</translation>
    </message>
    <message>
        <source>介质文件无法写入：%1</source>
        <translation>The material file cannot be written: %1</translation>
    </message>
</context>
<context>
    <name>orvix::CSetMovementDlg</name>
    <message>
        <source>X 速度 (车头方向)</source>
        <translation>X speeds (carriage)</translation>
    </message>
    <message>
        <source>Y 速度 (走料方向)</source>
        <translation>Y speeds (media feed)</translation>
    </message>
    <message>
        <source>方向与编码器</source>
        <translation>Directions and encoder</translation>
    </message>
    <message>
        <source>反向移动(X向)</source>
        <translation>Reverse move (X)</translation>
    </message>
    <message>
        <source>反向移动(Y向)</source>
        <translation>Reverse move (Y)</translation>
    </message>
    <message>
        <source>左右行程开关反向</source>
        <translation>Swap left/right limit switches</translation>
    </message>
    <message>
        <source>编码器偏移:</source>
        <translation>Encoder shift:</translation>
    </message>
    <message>
        <source>X 加速时间(ms):</source>
        <translation>X acceleration (ms):</translation>
    </message>
    <message>
        <source>Y 加速时间(ms):</source>
        <translation>Y acceleration (ms):</translation>
    </message>
    <message>
        <source>喷头分频:</source>
        <translation>Fire divider:</translation>
    </message>
    <message>
        <source>编码器起始值:</source>
        <translation>Encoder start:</translation>
    </message>
    <message>
        <source>步距校正</source>
        <translation>Step size calibration</translation>
    </message>
    <message>
        <source>X 步距:</source>
        <translation>X step size:</translation>
    </message>
    <message>
        <source>Y 步距:</source>
        <translation>Y step size:</translation>
    </message>
    <message>
        <source>实测 X (mm):</source>
        <translation>Measured X (mm):</translation>
    </message>
    <message>
        <source>实测 Y (mm):</source>
        <translation>Measured Y (mm):</translation>
    </message>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>计算</source>
        <translation>Calculate</translation>
    </message>
    <message>
        <source>最大长度:</source>
        <translation>Maximum length:</translation>
    </message>
    <message>
        <source>取最大长度</source>
        <translation>Measure maximum length</translation>
    </message>
    <message>
        <source>速度不能为 0。</source>
        <translation>A speed cannot be 0.</translation>
    </message>
    <message>
        <source>步距不能为 0。</source>
        <translation>A step size cannot be 0.</translation>
    </message>
    <message>
        <source>实测距离不能为 0。</source>
        <translation>A measured distance cannot be 0.</translation>
    </message>
    <message>
        <source>取最大长度失败：车头没有到达行程开关。</source>
        <translation>Maximum length not measured: the carriage did not reach a limit switch.</translation>
    </message>
    <message>
        <source>正在打印，机器不能移动。</source>
        <translation>A job is printing: the machine cannot move now.</translation>
    </message>
</context>
<context>
    <name>orvix::ControlBar</name>
    <message>
        <source>车速:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>白边:</source>
        <translation>Margin:</translation>
    </message>
    <message>
        <source>数量:</source>
        <translation>Copies:</translation>
    </message>
    <message>
        <source>喷位:</source>
        <translation>Fire at:</translation>
    </message>
    <message>
        <source>测试图案1</source>
        <translation>Test pattern 1</translation>
    </message>
    <message>
        <source>测试图案2</source>
        <translation>Test pattern 2</translation>
    </message>
    <message>
        <source>测试图案3</source>
        <translation>Test pattern 3</translation>
    </message>
    <message>
        <source>测试图案4</source>
        <translation>Test pattern 4</translation>
    </message>
    <message>
        <source>速度测试</source>
        <translation>Speed test</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>路径:</source>
        <translation>Path:</translation>
    </message>
    <message>
        <source>移动值:</source>
        <translation>Move by:</translation>
    </message>
    <message>
        <source>缩放:</source>
        <translation>Zoom:</translation>
    </message>
</context>
<context>
    <name>orvix::FolderBrowser</name>
    <message>
        <source>该文件正在打印，不能删除：
%1</source>
        <translation>This file is printing and cannot be deleted:
%1</translation>
    </message>
    <message>
        <source>该文件在打印列表中（第 %1 行），这些任务将一并从打印列表中清除。</source>
        <translation>The file is in the print queue (row %1); these jobs are removed from the queue with it.</translation>
    </message>
    <message>
        <source>加入打印列表(&amp;A)</source>
        <translation>&amp;Add to Print List</translation>
    </message>
    <message>
        <source>删除文件(&amp;D)</source>
        <translation>&amp;Delete File</translation>
    </message>
    <message>
        <source>重新预览(&amp;R)</source>
        <translation>&amp;Re-preview</translation>
    </message>
    <message>
        <source>刷新RIP文件夹(&amp;F)</source>
        <translation>Re&amp;fresh RIP Folder</translation>
    </message>
    <message>
        <source>详细资料(&amp;V)</source>
        <translation>Details (&amp;V)</translation>
    </message>
    <message>
        <source>无法预览 %1: %2</source>
        <translation>Cannot preview %1: %2</translation>
    </message>
    <message>
        <source>提示信息：代码 006 ：请选择打印文件</source>
        <translation>Note: code 006: please choose a print file</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>无法打开RIP文件</source>
        <translation>Cannot open the RIP file</translation>
    </message>
    <message>
        <source>RIP文件头错误: %1</source>
        <translation>RIP file header refused: %1</translation>
    </message>
    <message>
        <source>提示信息：确认是否要删除此文件？</source>
        <translation>Note: delete this file?</translation>
    </message>
</context>
<context>
    <name>orvix::GuiPrompter</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>是(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>否(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>orvix::HeadParamsDialog</name>
    <message>
        <source>喷头板没有应答（命令寄存器 0x%1，数据 %2）</source>
        <translation>the head board did not answer (command register 0x%1, data %2)</translation>
    </message>
    <message>
        <source>读取喷头 %1 的参数失败：%2</source>
        <translation>Reading the parameters of head %1 failed: %2</translation>
    </message>
    <message>
        <source>喷头 %1 的参数未写入：需要 16 个以空格分开的十六进制字节（00 到 FF）</source>
        <translation>The parameters of head %1 were not written: 16 hexadecimal bytes (00 to FF) separated by spaces are needed</translation>
    </message>
    <message>
        <source>写入喷头 %1 的参数失败：%2</source>
        <translation>Writing the parameters of head %1 failed: %2</translation>
    </message>
    <message>
        <source>喷头板 %1: %2</source>
        <translation>Head board %1: %2</translation>
    </message>
    <message>
        <source>电压文件未能保存: %1</source>
        <translation>The voltage file could not be saved: %1</translation>
    </message>
    <message>
        <source>喷头电压写入失败：
%1</source>
        <translation>Writing the head voltages failed:
%1</translation>
    </message>
    <message>
        <source>喷头参数调整</source>
        <translation>Head parameters</translation>
    </message>
    <message>
        <source>喷头:</source>
        <translation>Head:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>喷头</source>
        <translation>Head</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>加热温度</source>
        <translation>Heater temperature</translation>
    </message>
    <message>
        <source>电压偏移</source>
        <translation>Voltage offset</translation>
    </message>
</context>
<context>
    <name>orvix::ImageView</name>
    <message>
        <source>无法读取预览图像</source>
        <translation>Cannot read the preview picture</translation>
    </message>
    <message>
        <source>材料宽度:%1mm</source>
        <translation>Media width:%1mm</translation>
    </message>
    <message>
        <source>文件: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>宽度: %1 米</source>
        <translation>Width: %1 m</translation>
    </message>
    <message>
        <source>长度: %1 米</source>
        <translation>Length: %1 m</translation>
    </message>
    <message>
        <source>面积: %1 平米</source>
        <translation>Area: %1 m²</translation>
    </message>
    <message>
        <source>数量: %1/%2</source>
        <translation>Copies: %1/%2</translation>
    </message>
    <message>
        <source>颜色:%1</source>
        <translation>Colours:%1</translation>
    </message>
    <message>
        <source>精度: %1</source>
        <translation>Resolution: %1</translation>
    </message>
    <message>
        <source>打印代码:%1,%2,%3,%4,%5</source>
        <translation>Print code:%1,%2,%3,%4,%5</translation>
    </message>
    <message>
        <source>剩余: %1</source>
        <translation>Left: %1</translation>
    </message>
    <message>
        <source>墨水覆盖率:</source>
        <translation>Ink coverage:</translation>
    </message>
</context>
<context>
    <name>orvix::ImageWindow</name>
    <message>
        <source>请选择RIP文件</source>
        <translation>Choose a RIP file</translation>
    </message>
</context>
<context>
    <name>orvix::JobPropertiesDialog</name>
    <message>
        <source>打印任务属性</source>
        <translation>Print job properties</translation>
    </message>
    <message>
        <source>文件名:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>尺寸:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>车速:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>数量:</source>
        <translation>Copies:</translation>
    </message>
    <message>
        <source>白边:</source>
        <translation>Margin:</translation>
    </message>
    <message>
        <source>墨量</source>
        <translation>Ink level</translation>
    </message>
    <message>
        <source>100%</source>
        <translation>100%</translation>
    </message>
    <message>
        <source>从第几PASS开始打印:</source>
        <translation>Start at pass:</translation>
    </message>
    <message>
        <source>镜向打印:</source>
        <translation>Mirror:</translation>
    </message>
    <message>
        <source>是否已进料</source>
        <translation>Media already fed</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>orvix::MainFrame</name>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>关于 Orvix</source>
        <translation>About Orvix</translation>
    </message>
    <message>
        <source>Orvix 喷绘机操作软件
设备: %1
配置: %2</source>
        <translation>Orvix printer control
Device: %1
Setup: %2</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>控制栏</source>
        <translation>Control bar</translation>
    </message>
    <message>
        <source>请选择RIP文件</source>
        <translation>Choose a RIP file</translation>
    </message>
</context>
<context>
    <name>orvix::OrvixApp</name>
    <message>
        <source>车头复位…</source>
        <translation>Homing the carriage…</translation>
    </message>
    <message>
        <source>信息提示：确认是否复位到喷头保护位置？</source>
        <translation>Move the carriage to the head-protect position?</translation>
    </message>
    <message>
        <source>虚拟打印机</source>
        <translation>Virtual printer</translation>
    </message>
    <message>
        <source>无打印卡</source>
        <translation>No print card</translation>
    </message>
    <message>
        <source>Orvix</source>
        <translation>Orvix</translation>
    </message>
    <message>
        <source>该软件已经运行。</source>
        <translation>The program is already running.</translation>
    </message>
    <message>
        <source>打印缓冲区分配失败</source>
        <translation>The print buffers could not be allocated</translation>
    </message>
</context>
<context>
    <name>orvix::QueueView</name>
    <message>
        <source>向上移(&amp;U)</source>
        <translation>Move &amp;up</translation>
    </message>
    <message>
        <source>向下移(&amp;D)</source>
        <translation>Move &amp;down</translation>
    </message>
    <message>
        <source>移至顶端(&amp;T)</source>
        <translation>Move to &amp;top</translation>
    </message>
    <message>
        <source>移至底端(&amp;B)</source>
        <translation>Move to &amp;bottom</translation>
    </message>
    <message>
        <source>清除(&amp;R)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>清除全部(&amp;A)</source>
        <translation>Remove &amp;all</translation>
    </message>
    <message>
        <source>属性(&amp;P)</source>
        <translation>&amp;Properties</translation>
    </message>
    <message>
        <source>打印所选择的文件(&amp;S)</source>
        <translation>Print &amp;selected file only</translation>
    </message>
</context>
<context>
    <name>orvix::SheetWindow</name>
    <message>
        <source>虚拟打印机</source>
        <translation>Virtual printer</translation>
    </message>
    <message>
        <source>纸面空白</source>
        <translation>Sheet blank</translation>
    </message>
    <message>
        <source>车头: %1 mm   速度: %2 mm/s   走纸: %3 mm</source>
        <translation>Carriage: %1 mm   Speed: %2 mm/s   Media: %3 mm</translation>
    </message>
    <message>
        <source>墨滴: %1   已打印 Pass: %2</source>
        <translation>Drops: %1   Passes printed: %2</translation>
    </message>
    <message>
        <source>左限位</source>
        <translation>Left limit</translation>
    </message>
    <message>
        <source>右限位</source>
        <translation>Right limit</translation>
    </message>
    <message>
        <source>急停</source>
        <translation>Emergency stop</translation>
    </message>
    <message>
        <source>寻料器</source>
        <translation>Media sensor</translation>
    </message>
    <message>
        <source>Y原点</source>
        <translation>Y home</translation>
    </message>
    <message>
        <source>X运动</source>
        <translation>X moving</translation>
    </message>
    <message>
        <source>Y运动</source>
        <translation>Y moving</translation>
    </message>
</context>
<context>
    <name>orvix::StartupDialog</name>
    <message>
        <source>请选择打印配置文件</source>
        <translation>Choose the print setup</translation>
    </message>
    <message>
        <source>运行软件前执行动作</source>
        <translation>Before the program runs</translation>
    </message>
    <message>
        <source>车头复位</source>
        <translation>Home the carriage</translation>
    </message>
    <message>
        <source>复位并检测 </source>
        <translation>Home and check </translation>
    </message>
    <message>
        <source>不执行操作</source>
        <translation>Do nothing</translation>
    </message>
    <message>
        <source>确定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>退出(&amp;E)</source>
        <translation>&amp;Exit</translation>
    </message>
</context>
<context>
    <name>Work</name>
    <message>
        <source>车头复位…</source>
        <translation>Homing the carriage…</translation>
    </message>
    <message>
        <source>移到远端…</source>
        <translation>Moving to the far end…</translation>
    </message>
    <message>
        <source>车头停止…</source>
        <translation>Stopping the carriage…</translation>
    </message>
    <message>
        <source>测量介质…</source>
        <translation>Measuring the media…</translation>
    </message>
    <message>
        <source>清洗喷头…</source>
        <translation>Cleaning the heads…</translation>
    </message>
    <message>
        <source>速度测试…</source>
        <translation>Speed test…</translation>
    </message>
</context>
<context>
    <name>orvix::WorkStrip</name>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>%1 %2 秒</source>
        <translation>%1 %2 s</translation>
    </message>
    <message>
        <source>（正在停止）</source>
        <translation> (stopping)</translation>
    </message>
</context>
</TS>
