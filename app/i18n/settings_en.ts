<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
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
</TS>
