<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Command</name>
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
</TS>
