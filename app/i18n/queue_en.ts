<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
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
    <name>orvix::HeadParamsDialog</name>
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
    <name>Queue</name>
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
</TS>
